# SPDX-License-Identifier: GPL-3.0-or-later
# Every construct of a description the interpreter reads, for the comparison
# with the reference compiler. Written for the tests; the frames that reach
# its branches are in constructs.frames.
meta:
  id: constructs
  title: Constructs of the description language
  endian: be
  encoding: ASCII
doc: |
  :field kind: header.kind
  :field kind_name: header.kind_name
  :field flags_b1: header.flag_a
  :field flags_b3: header.flag_b
  :field flags_b4: header.flag_c
  :field u2le: body.numbers.u2le
  :field u4be: body.numbers.u4be
  :field u8le: body.numbers.u8le
  :field s1: body.numbers.s1
  :field s2be: body.numbers.s2be
  :field s4le: body.numbers.s4le
  :field s8be: body.numbers.s8be
  :field f4: body.numbers.f4
  :field f8le: body.numbers.f8le
  :field bits_le_a: body.numbers.bits_le.a
  :field bits_le_b: body.numbers.bits_le.b
  :field bits_le_c: body.numbers.bits_le.c
  :field wide_bits: body.numbers.wide_bits
  :field name: body.texts.name
  :field zname: body.texts.zname
  :field term_incl: body.texts.term_incl
  :field term_keep: body.texts.term_keep
  :field after_keep: body.texts.after_keep
  :field padded: body.texts.padded
  :field utf8: body.texts.utf8
  :field latin1: body.texts.latin1
  :field utf16: body.texts.utf16
  :field raw: body.texts.raw
  :field rotated_right: body.processed.rotated_right
  :field rotated_left: body.processed.rotated_left
  :field xored: body.processed.xored
  :field xored_key: body.processed.xored_key
  :field item_count: body.lists.count
  :field first_item: body.lists.items[0].value
  :field item_sum: body.lists.item_sum
  :field until_last: body.lists.until_last
  :field until_size: body.lists.until_size
  :field rest_size: body.lists.rest_size
  :field optional_value: body.optional_value
  :field by_string: body.by_string.text
  :field by_bool: body.by_bool.value
  :field by_enum: body.by_enum.value
  :field by_default: body.by_default.value
  :field sized_inner: body.sized.inner_byte
  :field sized_parent: body.sized.parent_kind
  :field sized_root: body.sized.root_kind
  :field param_sum: body.with_params.sum
  :field at_start: at_start
  :field from_root_io: body.from_root_io
  :field sized_instance: body.sized_instance.value
  :field trailer: trailer
seq:
  - id: magic
    contents: [0x4e, 0x56]
  - id: header
    type: header
  - id: body
    type: body
    size-eos: true
instances:
  at_start:
    pos: 0
    type: u2
  trailer:
    pos: _io.size - 1
    type: u1
types:
  header:
    seq:
      - id: kind
        type: u1
        enum: kinds
        valid:
          any-of: ['kinds::numbers', 'kinds::texts', 'kinds::lists', 'kinds::other']
      - id: flag_a
        type: b1
      - id: flag_b
        type: b3
      - id: flag_c
        type: b4
    instances:
      kind_name:
        value: 'kind == kinds::numbers ? "numbers" : kind == kinds::texts ? "texts" : "other"'
  body:
    seq:
      - id: numbers
        type: numbers
        if: _parent.header.kind == kinds::numbers
      - id: texts
        type: texts
        if: _parent.header.kind == kinds::texts
      - id: processed
        type: processed
        if: _parent.header.kind == kinds::texts
      - id: lists
        type: lists
        if: _parent.header.kind == kinds::lists
      - id: optional_value
        type: u1
        if: _parent.header.flag_a
      - id: selector
        type: u1
        if: not _io.eof
      - id: by_string
        type:
          switch-on: '(selector & 1) == 0 ? "even" : "odd"'
          cases:
            '"even"': tagged_text
            '"odd"': tagged_number
        if: not _io.eof
      - id: by_bool
        type:
          switch-on: selector > 0x80
          cases:
            true: tagged_number
            false: tagged_byte
        if: not _io.eof
      - id: by_enum
        type:
          switch-on: _parent.header.kind
          cases:
            kinds::numbers: tagged_byte
            kinds::texts: tagged_number
        if: not _io.eof
      - id: by_default
        type:
          switch-on: selector
          cases:
            0x01: tagged_byte
            _: tagged_number
        if: not _io.eof
      - id: sized
        size: 2
        type: sized
        if: _io.size - _io.pos >= 2
      - id: with_params
        type: with_params(selector, 3)
        if: not _io.eof
    instances:
      from_root_io:
        io: _root._io
        pos: 2
        type: u1
      sized_instance:
        pos: 0
        size: 2
        type: tagged_number
  numbers:
    seq:
      - id: u2le
        type: u2le
      - id: u4be
        type: u4
      - id: u8le
        type: u8le
      - id: s1
        type: s1
      - id: s2be
        type: s2
      - id: s4le
        type: s4le
      - id: s8be
        type: s8
      - id: f4
        type: f4
      - id: f8le
        type: f8le
      - id: bits_le
        type: bits_le
      - id: wide_bits
        type: b12
  bits_le:
    meta:
      bit-endian: le
    seq:
      - id: a
        type: b3
      - id: b
        type: b6
      - id: c
        type: b1
  texts:
    seq:
      - id: name
        type: str
        size: 4
      - id: zname
        type: strz
      - id: term_incl
        type: str
        terminator: 0x2c
        eos-error: false
      - id: term_keep
        type: str
        terminator: 0x3b
        consume: false
      - id: after_keep
        type: u1
      - id: padded
        type: str
        size: 5
        pad-right: 0x20
      - id: utf8
        type: str
        size: 4
        encoding: UTF-8
      - id: latin1
        type: str
        size: 2
        encoding: ISO-8859-1
      - id: utf16
        type: str
        size: 4
        encoding: UTF-16LE
      - id: raw
        size: 3
  processed:
    seq:
      - id: rotated_right
        size: 2
        process: ror(3)
      - id: rotated_left
        size: 2
        process: rol(1)
      - id: xored
        size: 2
        process: xor(0x5a)
      - id: xored_key
        size: 3
        process: xor([0x01, 0x02])
  lists:
    seq:
      - id: count
        type: u1
        valid:
          max: 8
      - id: items
        type: item
        repeat: expr
        repeat-expr: count
      - id: until_items
        type: u1
        repeat: until
        repeat-until: _ == 0 or _io.eof
      - id: rest
        type: u1
        repeat: eos
    instances:
      item_sum:
        value: 'count > 1 ? items[0].value + items[1].value : -1'
      until_last:
        value: until_items.last
      until_size:
        value: until_items.size
      rest_size:
        value: rest.size
  item:
    seq:
      - id: value
        type: s1
  tagged_text:
    seq:
      - id: text
        type: str
        size: 1
  tagged_number:
    seq:
      - id: value
        type: u2le
  tagged_byte:
    seq:
      - id: value
        type: u1
  sized:
    seq:
      - id: inner_byte
        type: u1
    instances:
      parent_kind:
        value: _parent._parent.header.kind.to_i
      root_kind:
        value: _root.header.kind.to_i * 10
  with_params:
    params:
      - id: base
        type: u1
      - id: scale
        type: u1
    instances:
      sum:
        value: base * scale + 1
enums:
  kinds:
    1: numbers
    2: texts
    3: lists
    4: other
