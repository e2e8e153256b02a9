meta:
  id: unusable
doc: ":field v: v"
seq:
  - id: v
    type: nothing_of_that_name
