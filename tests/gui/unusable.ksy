# SPDX-License-Identifier: GPL-3.0-or-later
meta:
  id: unusable
doc: ":field v: v"
seq:
  - id: v
    type: nothing_of_that_name
