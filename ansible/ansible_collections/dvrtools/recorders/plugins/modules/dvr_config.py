#!/usr/bin/python
# -*- coding: utf-8 -*-
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: dvr_config
short_description: Apply a template or restore a backup onto a recorder
description:
  - With I(state=applied), merges the template I(src) (a dvrcfg backup, perhaps made with
    C(dvrcfg edit)) into the recorder's own records with C(dvrcfg apply) and sends what differs;
    the fields that identify a recorder stay its own.
  - With I(state=restored), sends the backup I(src) back onto the recorder it was taken from with
    C(dvrcfg restore).
  - Every record sent is read back; C(changed) is true only when something was sent and confirmed,
    so a second run of the same play changes nothing.
  - Check mode is a dry run (C(--dry-run)), nothing is sent, C(changed) says whether a run would
    send something. Diff mode shows the fields that differ, as the recorder has them and as sent.
version_added: "0.1.0"
options:
  src:
    description: The template or backup, on the host that runs the module.
    type: path
    required: true
  state:
    description: Whether I(src) is a template to apply or a backup to restore.
    type: str
    choices: [applied, restored]
    default: applied
  only:
    description: Only these record kinds (C(dvrcfg --help) lists them).
    type: list
    elements: str
  include_names:
    description: With I(state=applied), also the channel and alarm-input names.
    type: bool
    default: false
  force:
    description: With I(state=restored), also onto another recorder than the backup's (the records that fit).
    type: bool
    default: false
  backup_dir:
    description: A directory on the host that runs the module where the recorder's backup is written
      before it is changed, so that the change can be undone with I(state=restored).
    type: path
  reboot_if_needed:
    description: Reboot the recorder when its change asks for a restart, and wait until it answers again.
    type: bool
    default: false
  reboot_wait:
    description: How long, in seconds, a rebooted recorder may take to answer again.
    type: int
    default: 180
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
extends_documentation_fragment:
  - dvrtools.recorders.connection
author:
  - DVR configuration tools team
"""

EXAMPLES = r"""
- name: Roll the site template out, with a way back
  dvrtools.recorders.dvr_config:
    address: "{{ dvr_address }}"
    password: "{{ dvr_password }}"
    src: /srv/dvr/site-template.json
    only: [recording, alarmout]
    backup_dir: /var/backups/dvr
    reboot_if_needed: true
  delegate_to: "{{ site_host }}"

- name: Put a recorder back as it was
  dvrtools.recorders.dvr_config:
    address: "{{ dvr_address }}"
    password: "{{ dvr_password }}"
    src: "/var/backups/dvr/{{ inventory_hostname }}.json"
    state: restored
  delegate_to: "{{ site_host }}"
"""

RETURN = r"""
outcome:
  description: dvrcfg's outcome, C(applied), C(unchanged), C(would apply) (check mode), C(skipped) or C(failed).
  returned: always
  type: str
changed_records:
  description: The records that differ (all sent, unless check mode).
  returned: always
  type: list
  elements: str
differences:
  description: The fields that differ (record, kind, slot, field, from, to).
  returned: always
  type: list
  elements: dict
confirmed:
  description: The records read back from the recorder as sent.
  returned: always
  type: list
  elements: str
restart:
  description: Whether the change asks for a restart, and which records do.
  returned: always
  type: dict
reboot:
  description: Whether the recorder was rebooted (state, seconds until it answered again).
  returned: always
  type: dict
snapshot:
  description: The backup written to I(backup_dir) before the change, or null.
  returned: always
  type: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dvrtools.recorders.plugins.module_utils.dvrcfg import (
    CONNECTION_ARGS,
    error_of,
    field_lines,
    run_dvrcfg,
)


def main():
    options = dict(CONNECTION_ARGS)
    options.update(
        src=dict(type="path", required=True),
        state=dict(type="str", choices=["applied", "restored"], default="applied"),
        only=dict(type="list", elements="str"),
        include_names=dict(type="bool", default=False),
        force=dict(type="bool", default=False),
        backup_dir=dict(type="path"),
        reboot_if_needed=dict(type="bool", default=False),
        reboot_wait=dict(type="int", default=180),
    )
    module = AnsibleModule(argument_spec=options, supports_check_mode=True)
    p = module.params
    restoring = p["state"] == "restored"
    arguments = ["restore" if restoring else "apply", p["src"], p["address"]]
    if p["only"]:
        arguments += ["--only", ",".join(p["only"])]
    if p["include_names"] and not restoring:
        arguments.append("--include-names")
    if p["force"] and restoring:
        arguments.append("--force")
    if p["backup_dir"]:
        arguments += ["--backup-dir", p["backup_dir"]]
    if p["reboot_if_needed"]:
        arguments += ["--reboot-if-needed", "--reboot-wait", str(p["reboot_wait"])]
    if module.check_mode:
        arguments.append("--dry-run")
    rc, recorders, summary, err = run_dvrcfg(module, arguments)
    if not recorders:
        message, cause = error_of(summary)
        module.fail_json(msg=message, cause=cause, rc=rc, stderr=err)
    r = recorders[0]
    result = dict(
        outcome=r["outcome"],
        changed_records=r["changed"],
        differences=r["differences"],
        confirmed=r["confirmed"],
        restart=r["restart"],
        reboot=r["reboot"],
        snapshot=r["snapshot"],
        notes=r["notes"],
    )
    if module._diff and r["differences"]:
        result["diff"] = dict(
            before_header="%s (as it is)" % p["address"],
            after_header="%s (%s)" % (p["address"], p["src"]),
            before=field_lines(r["differences"], "from"),
            after=field_lines(r["differences"], "to"),
        )
    if r["outcome"] == "failed":
        message, cause = error_of(r)
        # What did reach the recorder has changed it, even though the run failed.
        module.fail_json(msg=message, cause=cause, changed=bool(r["confirmed"]), rc=rc, **result)
    if rc != 0 and r["outcome"] not in ("applied", "unchanged", "would apply"):
        module.fail_json(msg="dvrcfg ended with exit status %d: %s" % (rc, err.strip()), rc=rc, **result)
    module.exit_json(changed=r["outcome"] in ("applied", "would apply"), **result)


if __name__ == "__main__":
    main()
