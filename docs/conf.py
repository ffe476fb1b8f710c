# Sphinx configuration of the sotoc documentation site. Built by the build
# (cmake/docs.cmake) from a copy of this folder, with the built program given as
# -D sotoc_program=PATH and the source folder as -D sotoc_source=PATH: the reference
# pages, the values quoted from the program and the output of the commands shown are
# all made by that program while the site is built. The build gives the folder of the
# built Python module in the environment variable SOTOC_PYTHON_DIR (none when the
# module is not built): the API page is made from its docstrings and the Python
# examples (sphinx.ext.doctest, run by the documentation test) import it from there.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "_ext"))

project = "sotoc"
author = "sotoc maintainers"
copyright = "sotoc maintainers"

extensions = ["myst_parser", "sphinx.ext.doctest", "sotocdocs"]
sotoc_python_dir = os.environ.get("SOTOC_PYTHON_DIR", "")
if sotoc_python_dir:
    sys.path.insert(0, os.path.abspath(sotoc_python_dir))
# The Python examples import the built module, never an installed one; without it
# they are skipped (:skipif: sotoc is None).
doctest_global_setup = "import sotoc" if sotoc_python_dir else "sotoc = None"
myst_enable_extensions = ["dollarmath", "amsmath", "colon_fence", "deflist"]
myst_heading_anchors = 3
source_suffix = {".md": "markdown"}
exclude_patterns = ["_build", "gallery", "_ext", "_generated"]
root_doc = "index"
# Options and commands keep their two hyphens and three dots.
smartquotes = False

html_theme = "furo"
html_title = "sotoc"
html_static_path = ["_static"]
html_css_files = ["sotoc.css"]

# Formulas are typeset in the browser by MathJax, Debian's (libjs-mathjax), so that
# the installed site shows them without a network.
mathjax_path = "file:///usr/share/javascript/mathjax/MathJax.js?config=TeX-AMS_CHTML"
# MyST marks the pages to be skipped but their formulas (class "math").
mathjax2_config = {"tex2jax": {"processClass": "math", "processEscapes": True}}
