# Sphinx configuration of the sotoc documentation site. Built by the build
# (cmake/docs.cmake) from a copy of this folder, with the built program given as
# -D sotoc_program=PATH and the source folder as -D sotoc_source=PATH: the reference
# pages, the values quoted from the program and the output of the commands shown are
# all made by that program while the site is built.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "_ext"))

project = "sotoc"
author = "sotoc maintainers"
copyright = "sotoc maintainers"

extensions = ["myst_parser", "sotocdocs"]
myst_enable_extensions = ["dollarmath", "amsmath", "colon_fence", "deflist"]
myst_heading_anchors = 3
source_suffix = {".md": "markdown"}
exclude_patterns = ["_build", "gallery", "_ext"]
root_doc = "index"

html_theme = "furo"
html_title = "sotoc"
html_static_path = []
# The site is read offline too (share/doc/sotoc/html): math is rendered by the
# browser's MathML-free fallback of MathJax when it is reachable, and shown as TeX
# source otherwise.
