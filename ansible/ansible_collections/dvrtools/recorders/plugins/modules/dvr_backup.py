#!/usr/bin/python
# -*- coding: utf-8 -*-
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: dvr_backup
short_description: Back up a recorder's configuration to a file
description:
  - Loads the recorder's whole configuration with C(dvrcfg backup) and keeps it as a verified JSON
    backup at I(path) on the host that runs the module (mode 0600, as it holds passwords in clear).
  - C(changed) only when the settings differ from the backup already at I(path) (compared with
    C(dvrcfg diff), so the time of the backup does not count); an equal backup leaves the file
    as it was.
  - In check mode the recorder is read but the file is not written.
version_added: "0.1.0"
options:
  path:
    description: The backup file on the host that runs the module.
    type: path
    required: true
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
    details: the fields that differ from the previous backup
extends_documentation_fragment:
  - dvrtools.recorders.connection
author:
  - DVR configuration tools team
"""

EXAMPLES = r"""
- name: Keep a backup of every recorder on its site host
  dvrtools.recorders.dvr_backup:
    address: "{{ dvr_address }}"
    password: "{{ dvr_password }}"
    path: "/var/backups/dvr/{{ inventory_hostname }}.json"
  delegate_to: "{{ site_host }}"
"""

RETURN = r"""
path:
  description: The backup file.
  returned: always
  type: str
records:
  description: How many records the backup holds.
  returned: success
  type: int
identity:
  description: The recorder's identity as the backup names it (name, serial number, type, counts).
  returned: success
  type: dict
differences:
  description: The fields that differ from the previous backup (record, kind, slot, field, first, second).
  returned: success
  type: list
  elements: dict
"""

import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dvrtools.recorders.plugins.module_utils.dvrcfg import (
    CONNECTION_ARGS,
    error_of,
    field_lines,
    run_dvrcfg,
)


def main():
    options = dict(CONNECTION_ARGS)
    options["path"] = dict(type="path", required=True)
    module = AnsibleModule(argument_spec=options, supports_check_mode=True)
    path = module.params["path"]
    directory = os.path.dirname(os.path.abspath(path))
    if not os.path.isdir(directory):
        module.fail_json(msg="the directory %s does not exist" % directory, path=path)
    # Next to the old one, so that the new file takes its name in one rename.
    handle, fresh = tempfile.mkstemp(prefix=".dvr_backup.", suffix=".json", dir=directory)
    os.close(handle)
    try:
        rc, recorders, summary, err = run_dvrcfg(module, ["backup", module.params["address"], "-o", fresh])
        if rc != 0 or not recorders or not recorders[0].get("ok"):
            message, cause = error_of(recorders[0] if recorders else summary)
            module.fail_json(msg=message, cause=cause, rc=rc, stderr=err, path=path)
        result = dict(path=path, records=recorders[0]["records"], identity=recorders[0]["identity"], differences=[])
        changed = True
        if os.path.exists(path):
            rc, compared, summary, err = run_dvrcfg(module, ["diff", path, fresh])
            if rc not in (0, 1):
                message, cause = error_of(compared[0] if compared else summary)
                module.fail_json(msg="the backup at %s cannot be compared: %s" % (path, message), cause=cause)
            changed = rc == 1
            result["differences"] = compared[0]["differences"]
        if module._diff and changed:
            result["diff"] = dict(
                before_header=path,
                after_header=module.params["address"],
                before=field_lines(result["differences"], "first"),
                after=field_lines(result["differences"], "second") if result["differences"] else "(a new backup)\n",
            )
        if changed and not module.check_mode:
            os.replace(fresh, path)
        module.exit_json(changed=changed, **result)
    finally:
        if os.path.exists(fresh):
            os.remove(fresh)


if __name__ == "__main__":
    main()
