# -*- coding: utf-8 -*-
# The options every module of the collection takes to reach a recorder, documented once.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  address:
    description: The recorder, as dvrcfg takes it (C(HOST:PORT) or C(sim://PROFILE)).
    type: str
    required: true
  user:
    description: The user name to log in with.
    type: str
    default: admin
  password:
    description:
      - The password. It reaches dvrcfg through its environment, never its command line.
      - Without it, dvrcfg takes C(DVRCFG_PASSWORD) from the module's environment, else its default.
    type: str
  dvrcfg:
    description: The dvrcfg program, a path or a name looked up in C(PATH).
    type: path
    default: dvrcfg
requirements:
  - dvrcfg on the host that runs the module
"""
