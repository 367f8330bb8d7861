#!/usr/bin/python
# -*- coding: utf-8 -*-
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: dvr_facts
short_description: A recorder's identity and counts as facts
description:
  - Reads the recorder's device information with C(dvrcfg show --json) and returns it as the fact
    C(dvr), for grouping (M(ansible.builtin.group_by)) and C(when:) conditions.
  - Nothing is changed on the recorder.
  - Runs on the host that can reach the recorder; use C(delegate_to) for a site host.
version_added: "0.1.0"
attributes:
  check_mode:
    support: full
  diff_mode:
    support: none
extends_documentation_fragment:
  - dvrtools.recorders.connection
author:
  - DVR configuration tools team
"""

EXAMPLES = r"""
- name: Learn what each recorder is
  dvrtools.recorders.dvr_facts:
    address: "{{ dvr_address }}"
    password: "{{ dvr_password }}"
  delegate_to: "{{ site_host }}"

- name: Group the recorders by device type
  ansible.builtin.group_by:
    key: "dvr_type_{{ dvr.device_type }}"
"""

RETURN = r"""
ansible_facts:
  description: The fact C(dvr).
  returned: success
  type: complex
  contains:
    dvr:
      description: The recorder's identity and counts.
      type: dict
      sample:
        address: "10.0.0.5:9217"
        name: "Front door"
        serial_number: "NVR0816C2011052101234567"
        device_number: 1
        device_type: 82
        high_definition: false
        channel_count: 16
        first_channel: 1
        alarm_in_count: 16
        alarm_out_count: 4
        disk_count: 4
        software: "V2.1 build 110321"
        dsp: "V4.0 build 110110"
        hardware: "0x0"
        panel: "10a"
"""

import re

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dvrtools.recorders.plugins.module_utils.dvrcfg import CONNECTION_ARGS, error_of, run_dvrcfg


def snake(name):
    return re.sub(r"(?<!^)(?=[A-Z])", "_", name).lower()


def main():
    module = AnsibleModule(argument_spec=dict(CONNECTION_ARGS), supports_check_mode=True)
    rc, recorders, summary, err = run_dvrcfg(module, ["show", module.params["address"], "--record", "device"])
    if rc != 0 or not recorders or not recorders[0].get("ok"):
        message, cause = error_of(recorders[0] if recorders else summary)
        module.fail_json(msg=message, cause=cause, rc=rc, stderr=err)
    facts = {snake(key): value for key, value in recorders[0]["identity"].items()}
    facts["address"] = module.params["address"]
    # The high-definition family (types 30 to 49) takes no compression or DNS/NTP record.
    facts["high_definition"] = 30 <= facts.get("device_type", 0) <= 49
    module.exit_json(changed=False, ansible_facts=dict(dvr=facts))


if __name__ == "__main__":
    main()
