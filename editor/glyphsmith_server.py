"""Glyphsmith: the font editor that Quillery drives by automation.

    /usr/bin/python3 glyphsmith_server.py [--socket PATH]

It listens on a Unix socket (by default "Glyphsmith.Application" in the
user's runtime folder) and answers one JSON object per line;
docs/automation.md describes the protocol and every dispatch number, and the
glyphsmith package beside this file does the work.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from glyphsmith import server  # noqa: E402

if __name__ == "__main__":
    server.main(sys.argv[1:])
