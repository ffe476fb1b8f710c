"""examples/sweep_and_map.ipynb runs headless in a Python kernel, without an error,
and shows its figures as pictures; the notebook in the source is kept without
outputs."""

import os

import nbclient
import nbformat

from conftest import SOURCE

NOTEBOOK = os.path.join(SOURCE, "examples", "sweep_and_map.ipynb")


def test_notebook_runs_and_draws_its_figures(folder, monkeypatch):
    # The kernel, started by this interpreter's kernel description (kernel.json), finds the module on the
    # same PYTHONPATH; its debugger's warning about frozen modules stays off.
    monkeypatch.setenv("PYDEVD_DISABLE_FILE_VALIDATION", "1")
    notebook = nbformat.read(NOTEBOOK, as_version=4)
    code = [c for c in notebook.cells if c.cell_type == "code"]
    assert all(not c.outputs and c.execution_count is None for c in code)
    nbclient.NotebookClient(notebook, kernel_name="python3", timeout=600,
                            resources={"metadata": {"path": folder}}).execute()
    outputs = [o for c in code for o in c.outputs]
    assert not [o for o in outputs if o.output_type == "error"]
    pictures = [o for o in outputs if "image/png" in o.get("data", {})]
    assert len(pictures) == 3  # the sweep, the map, the logged torques
    shape = [o for c in code if "shape" in c.source for o in c.outputs if o.output_type == "execute_result"]
    assert shape[0].data["text/plain"] == "(3, 5)"
    table = [o for c in code if "records_frame" in c.source for o in c.outputs if o.output_type == "execute_result"]
    assert "runs.sotocErr.error" in table[0].data["text/plain"]
