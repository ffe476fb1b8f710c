"""Time-optimal control of a two-axis robot arm, with and without state observation.

The names and types of the module's functions and results for editors; help(sotoc)
and each function's help say what they do, with the units and defaults of every
argument.
"""

from typing import Any, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple, TypedDict, Union

import numpy
import pandas
import xarray
from matplotlib.figure import Figure

__version__: str
OUTCOMES: Tuple[str, ...]
RUNNAMES: Tuple[str, str, str]
MEASURES: Tuple[Tuple[str, str, str, bool, str], ...]  # name, words, unit, drawn over decades, ratio title

class Settings(TypedDict):
    robot: str
    motion: str
    ratios: List[float]  # [rad/rad; cylindrical joint 2: rad/m]
    start: List[float]  # [m]
    end: List[float]  # [m]
    elbow: str
    error: float  # [%]

class Derived(TypedDict):
    T1max: float  # [N m]
    T2max: float  # [N m; cylindrical joint 2: N]
    T1maxG: float
    T2maxG: float
    tfNom: float  # [s]
    dt: float  # [s]

class Trial(TypedDict):
    sigma2: int
    iterations: int
    verdict: str
    tf: Optional[float]  # [s]

class Design(TypedDict):
    solved: bool
    ts: Optional[List[float]]  # switching times and final time [s]
    chosen: Optional[int]
    trials: List[Trial]

class Designs(TypedDict):
    free: Design
    error: Optional[Design]

class Run(TypedDict):
    tf: float  # [s]
    tip: List[float]  # [m]
    error: Optional[float]  # [m]
    ratio: Optional[float]  # [%]
    pastSpan: bool

class SotocRun(Run):
    finished: bool

Runs = TypedDict("Runs", {"tocFree": Run, "tocErr": Run, "sotocErr": SotocRun})

class Program(TypedDict):
    version: str
    commit: str

class MapIndex(TypedDict):
    i: int
    j: int

class _ResultCore(TypedDict):
    settings: Settings
    outcome: str
    program: Program

class Result(_ResultCore, total=False):
    derived: Derived
    designs: Designs
    runs: Optional[Runs]
    reason: str  # a map's point out of reach
    map: MapIndex  # a map's point
    logs: Optional[Dict[str, Dict[str, numpy.ndarray]]]  # compare(..., logs=True)
    optimal: Dict[str, Any]  # reference="optimal": the minimum-time motion

class LineRefusal(TypedDict):
    line: int
    error: str

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
    near: float = 0.2,
    sotoc_fallback: Optional[float] = None,
    tolerance: float = 0.001,
    joint2_start: str = 'shorter',
    design_search: str = 'standard',
    design_errors: Optional[Mapping[str, float]] = None,
    params: Optional[Mapping[str, float]] = None,
    control_period: Optional[float] = None,
    encoder_counts: Optional[Sequence[float]] = None,
    sensor_noise: Optional[Sequence[float]] = None,
    seed: float = 0.0,
    sensor_delay: float = 0.0,
    servo_antiwindup: str = 'off',
    span: Optional[float] = None,
    reference: str = 'none',
    logs: bool = False,
) -> Result: ...

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
    near: float = 0.2,
    sotoc_fallback: Optional[float] = None,
    tolerance: float = 0.001,
    joint2_start: str = 'shorter',
    design_search: str = 'standard',
    design_errors: Optional[Mapping[str, float]] = None,
    params: Optional[Mapping[str, float]] = None,
    control_period: Optional[float] = None,
    encoder_counts: Optional[Sequence[float]] = None,
    sensor_noise: Optional[Sequence[float]] = None,
    seed: float = 0.0,
    sensor_delay: float = 0.0,
    servo_antiwindup: str = 'off',
    span: Optional[float] = None,
    reference: str = 'none',
) -> Dict[str, Any]: ...

def batch(settings: Iterable[Mapping[str, Any]], jobs: Optional[int] = None) -> List[Union[Result, LineRefusal]]: ...

def sweep(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    robotfile: Optional[str] = None,
    near: float = 0.2,
    sotoc_fallback: Optional[float] = None,
    tolerance: float = 0.001,
    joint2_start: str = 'shorter',
    design_search: str = 'standard',
    design_errors: Optional[Mapping[str, float]] = None,
    params: Optional[Mapping[str, float]] = None,
    control_period: Optional[float] = None,
    encoder_counts: Optional[Sequence[float]] = None,
    sensor_noise: Optional[Sequence[float]] = None,
    seed: float = 0.0,
    sensor_delay: float = 0.0,
    servo_antiwindup: str = 'off',
    span: Optional[float] = None,
    reference: str = 'none',
    errors: Union[Tuple[float, float, float], Sequence[float]],
    jobs: Optional[int] = None,
    as_: str = 'records',
    progress: bool = False,
) -> Union[List[Result], Dict[str, numpy.ndarray], xarray.Dataset]: ...

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
    near: float = 0.2,
    sotoc_fallback: Optional[float] = None,
    tolerance: float = 0.001,
    joint2_start: str = 'shorter',
    design_search: str = 'standard',
    design_errors: Optional[Mapping[str, float]] = None,
    params: Optional[Mapping[str, float]] = None,
    control_period: Optional[float] = None,
    encoder_counts: Optional[Sequence[float]] = None,
    sensor_noise: Optional[Sequence[float]] = None,
    seed: float = 0.0,
    sensor_delay: float = 0.0,
    servo_antiwindup: str = 'off',
    span: Optional[float] = None,
    reference: str = 'none',
    x: Union[Tuple[str, float, float, float], Tuple[str, Sequence[float]]],
    y: Optional[Union[Tuple[str, float, float, float], Tuple[str, Sequence[float]]]] = None,
    jobs: Optional[int] = None,
    as_: str = 'records',
    progress: bool = False,
) -> Union[List[Result], Dict[str, numpy.ndarray], xarray.Dataset]: ...

def montecarlo(
    robot: str,
    motion: str,
    *,
    ratios: Optional[Sequence[float]] = None,
    start: Optional[Sequence[float]] = None,
    end: Optional[Sequence[float]] = None,
    elbow: str = 'up',
    error: Optional[float] = None,
    robotfile: Optional[str] = None,
    near: float = 0.2,
    sotoc_fallback: Optional[float] = None,
    tolerance: float = 0.001,
    joint2_start: str = 'shorter',
    design_search: str = 'standard',
    design_errors: Optional[Mapping[str, float]] = None,
    params: Optional[Mapping[str, float]] = None,
    control_period: Optional[float] = None,
    encoder_counts: Optional[Sequence[float]] = None,
    sensor_noise: Optional[Sequence[float]] = None,
    sensor_delay: float = 0.0,
    servo_antiwindup: str = 'off',
    span: Optional[float] = None,
    reference: str = 'none',
    samples: int,
    seed: int = 0,
    uncertain: Union[Mapping[str, str], Sequence[str], str],
    sampling: str = 'random',
    jobs: Optional[int] = None,
    progress: bool = False,
) -> Tuple[xarray.Dataset, Dict[str, Any]]: ...

def records_frame(results: Union[Result, Iterable[Mapping[str, Any]]]) -> pandas.DataFrame: ...

def plot_sweep(results: Union[Iterable[Result], Dict[str, numpy.ndarray], xarray.Dataset], measure: str = "error") -> Figure: ...

def plot_map(ds: Union[xarray.Dataset, Dict[str, numpy.ndarray]], measure: str = "error") -> Figure: ...
