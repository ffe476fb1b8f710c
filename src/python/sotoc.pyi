"""Time-optimal control of a two-axis robot arm, with and without state observation.

The names and types of the module's functions for editors; help(sotoc) and each
function's help say what they do, with the units and defaults of every argument.
"""

from typing import Any, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple

__version__: str

def compare(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    error: float = 1.0,
    robotfile: Optional[str] = None,
    logs: bool = False,
) -> Dict[str, Any]: ...

def params(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    error: float = 1.0,
    robotfile: Optional[str] = None,
) -> Dict[str, Any]: ...

def batch(settings: Iterable[Mapping[str, Any]], jobs: Optional[int] = None) -> List[Dict[str, Any]]: ...

def sweep(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    robotfile: Optional[str] = None,
    errors: Tuple[float, float, float],
    jobs: Optional[int] = None,
) -> List[Dict[str, Any]]: ...

def map(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    error: Optional[float] = None,
    robotfile: Optional[str] = None,
    x: Tuple[str, float, float, float],
    y: Optional[Tuple[str, float, float, float]] = None,
    jobs: Optional[int] = None,
) -> List[Dict[str, Any]]: ...
