#!/usr/bin/env python3
"""Runs a command while Debian's dictd serves two dictionaries the glossary never imported
(devil and elements) on a free port of 127.0.0.1, named to the command in DICT_SERVER.

Usage: with_dictd.py <dictionaries> <work directory> <command>..."""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "dictd"))
from oracle_runs import DictServer  # noqa: E402

NAMES = ["devil", "elements"]


def main(argv):
    if len(argv) < 4:
        print(__doc__)
        return 2
    dictionaries, work, command = argv[1], argv[2], argv[3:]
    missing = [n for n in NAMES if not os.path.exists(os.path.join(dictionaries, n + ".index"))]
    if missing:
        print("missing dictionaries (scripts/fetch-dictionaries.sh fetches them): "
              + " ".join(missing))
        return 1
    os.makedirs(work, exist_ok=True)
    with DictServer(dictionaries, NAMES, work) as server:
        environment = dict(os.environ, DICT_SERVER=f"127.0.0.1:{server.port}")
        print(f"dictd serves {' and '.join(NAMES)} at 127.0.0.1:{server.port}", flush=True)
        code = subprocess.run(command, env=environment, timeout=600).returncode
        print(f"the tests ended with exit code {code}; stopping dictd", flush=True)
        return code


if __name__ == "__main__":
    sys.exit(main(sys.argv))
