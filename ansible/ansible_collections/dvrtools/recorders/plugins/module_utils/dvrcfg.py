# -*- coding: utf-8 -*-
# What the modules share: running dvrcfg with --json and reading its lines. The password reaches
# dvrcfg through its environment (DVRCFG_PASSWORD), never through its command line.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# The options every module takes to reach a recorder.
CONNECTION_ARGS = dict(
    address=dict(type="str", required=True),
    user=dict(type="str", default="admin"),
    password=dict(type="str", no_log=True),
    dvrcfg=dict(type="path", default="dvrcfg"),
)


def dvrcfg_binary(module):
    path = module.params["dvrcfg"]
    if "/" in path:
        return path
    return module.get_bin_path(path, required=True)


def run_dvrcfg(module, arguments):
    """Runs dvrcfg ARGUMENTS --json; returns (exit status, recorder objects, summary, stderr)."""
    command = [dvrcfg_binary(module)] + arguments + ["--json", "--user", module.params["user"]]
    environment = {}
    if module.params.get("password") is not None:
        environment["DVRCFG_PASSWORD"] = module.params["password"]
    rc, out, err = module.run_command(command, environ_update=environment)
    recorders, summary = [], None
    for line in out.splitlines():
        if not line.strip():
            continue
        try:
            item = json.loads(line)
        except ValueError:
            module.fail_json(msg="dvrcfg printed a line that is not JSON: %s" % line, rc=rc, stderr=err)
        if item.get("type") == "summary":
            summary = item
        else:
            recorders.append(item)
    if summary is None:
        module.fail_json(msg="dvrcfg ended without its summary: %s" % err.strip(), rc=rc, stderr=err)
    return rc, recorders, summary, err


def error_of(item):
    """The message and cause of a recorder or summary object's error."""
    error = item.get("error") or {}
    return error.get("message", "dvrcfg failed"), error.get("cause", "other")


def field_lines(differences, side):
    """One line a field, for Ansible's diff: "alarm output 1 · outputDelay = 3"."""
    return "".join("%s · %s = %s\n" % (d["record"], d["field"], d[side]) for d in differences)
