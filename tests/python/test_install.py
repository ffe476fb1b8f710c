"""cmake --install: the module and its stub land in the folder under the prefix
where Debian's python3 looks for modules, and the installed module runs there
without the build folder."""

import os
import subprocess
import sys

import _sotoc
import sotoc

INSTALL_DIR = os.environ["SOTOC_PYTHON_INSTALL_DIR"]


def python(code, path, cwd):
    environment = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    if path:
        environment["PYTHONPATH"] = path
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, cwd=cwd, env=environment,
                          check=False)


def test_installed_where_debians_python_looks(folder):
    installed = subprocess.run([os.environ["CMAKE_PROGRAM"], "--install", os.environ["SOTOC_BUILD_DIR"], "--prefix",
                                folder], capture_output=True, text=True, check=False)
    assert installed.returncode == 0, installed.stdout + installed.stderr
    target = os.path.join(folder, INSTALL_DIR)
    built = os.path.dirname(sotoc.__file__)
    # What the install copies: the module, its stub and its compiled part. The build
    # folder may hold more (a __pycache__ of whichever test imported the module first).
    copied = ["sotoc.py", "sotoc.pyi", os.path.basename(_sotoc.__file__)]
    assert sorted(os.listdir(target)) == sorted(copied)
    for name in copied:
        with open(os.path.join(built, name), "rb") as a, open(os.path.join(target, name), "rb") as b:
            assert a.read() == b.read(), name

    code = "import sotoc; print(sotoc.__file__); print(sotoc.compare('scara', 'vertical')['outcome'])"
    ran = python(code, target, folder)
    assert ran.returncode == 0, ran.stderr
    assert ran.stdout == os.path.join(target, os.path.basename(sotoc.__file__)) + "\ncompared\n"

    # The same folder under /usr/local and /usr is on the path of Debian's python3.
    path = python("import sys; print('\\n'.join(sys.path))", None, folder).stdout.splitlines()
    for prefix in ["/usr/local", "/usr"]:
        assert os.path.join(prefix, INSTALL_DIR) in path, prefix
