# SPDX-License-Identifier: GPL-3.0-or-later
# The expression language, value by value, for the comparison with the
# reference compiler: each field is an instance over a few bytes of the frame.
meta:
  id: expressions
  endian: le
doc: |
  :field a: a
  :field b: b
  :field floor_div: floor_div
  :field floor_div_neg: floor_div_neg
  :field mod_neg: mod_neg
  :field mod_pos: mod_pos
  :field float_div: float_div
  :field float_mix: float_mix
  :field float_mod: float_mod
  :field shl: shl
  :field shl_wide: shl_wide
  :field shr: shr
  :field bit_and: bit_and
  :field bit_or: bit_or
  :field bit_xor: bit_xor
  :field bit_not: bit_not
  :field neg: neg
  :field cmp_lt: cmp_lt
  :field cmp_ge: cmp_ge
  :field cmp_eq_str: cmp_eq_str
  :field cmp_bytes: cmp_bytes
  :field logic: logic
  :field logic_not: logic_not
  :field ternary: ternary
  :field io_size: io_size
  :field io_pos: io_pos
  :field io_eof: io_eof
  :field text_length: text_length
  :field bytes_size: bytes_size
  :field to_i_text: to_i_text
  :field to_i_hex: to_i_hex
  :field to_s_int: to_s_int
  :field to_i_float: to_i_float
  :field to_i_bool: to_i_bool
  :field to_i_enum: to_i_enum
  :field index_bytes: index_bytes
  :field first_byte: first_byte
  :field last_byte: last_byte
  :field min_byte: min_byte
  :field max_byte: max_byte
  :field reversed: reversed
  :field sub: sub
  :field concat: concat
  :field cast: cast
  :field enum_value: enum_value
  :field enum_cmp: enum_cmp
  :field literal_bytes: literal_bytes
  :field literal_string: literal_string
  :field array_min: array_min
  :field array_max: array_max
  :field array_last: array_last
  :field big: big
  :field precedence: precedence
  :field decode_bytes: decode_bytes
  :field hex_literal: hex_literal
seq:
  - id: a
    type: s2
  - id: b
    type: u1
  - id: digits
    type: str
    size: 3
    encoding: ASCII
  - id: hex_digits
    type: str
    size: 2
    encoding: ASCII
  - id: data
    size: 4
  - id: level
    type: u1
    enum: level
  - id: words
    type: u2
    repeat: expr
    repeat-expr: 3
  - id: wide
    type: u4
instances:
  floor_div:
    value: a / 7
  floor_div_neg:
    value: -a / 7
  mod_neg:
    value: -a % 7
  mod_pos:
    value: a % 7 + b % 5
  float_div:
    value: a / 4.0
  float_mix:
    value: b * 0.5 + a
  float_mod:
    value: (a / 2.0) % 3
  shl:
    value: b << 24
  shl_wide:
    value: wide << 4
  shr:
    value: wide >> 3
  bit_and:
    value: wide & 0xff00ff
  bit_or:
    value: a | b
  bit_xor:
    value: a ^ 0x5555
  bit_not:
    value: ~b
  neg:
    value: -b - -a
  cmp_lt:
    value: a < b
  cmp_ge:
    value: b >= 128
  cmp_eq_str:
    value: digits == "123"
  cmp_bytes:
    value: data == [0x01, 0x02, 0x03, 0x04]
  logic:
    value: a > 0 and b > 0 or b == 7
  logic_not:
    value: not (a > 0)
  ternary:
    value: 'a > b ? a - b : b - a'
  io_size:
    value: _io.size
  io_pos:
    value: _io.pos
  io_eof:
    value: _io.eof
  text_length:
    value: digits.length
  bytes_size:
    value: data.size
  to_i_text:
    value: 'digits.to_i'
  to_i_hex:
    value: 'hex_digits.to_i(16)'
  to_s_int:
    value: a.to_s
  to_i_float:
    value: (a / 3.0).to_i
  to_i_bool:
    value: (a > 0).to_i
  to_i_enum:
    value: level.to_i
  index_bytes:
    value: data[2]
  first_byte:
    value: data.first
  last_byte:
    value: data.last
  min_byte:
    value: data.min
  max_byte:
    value: data.max
  reversed:
    value: digits.reverse
  sub:
    value: digits.substring(1, 3)
  concat:
    value: digits + "-" + hex_digits
  cast:
    value: a.as<s2> + 1
  enum_value:
    value: level::high.to_i
  enum_cmp:
    value: level == level::high
  literal_bytes:
    value: '[0x41, 0x42, 67]'
  literal_string:
    value: '"tab\there"'
  array_min:
    value: words.min
  array_max:
    value: words.max
  array_last:
    value: words.last
  big:
    value: wide * 65536 * 65536
  precedence:
    value: 1 + 2 * 3 - 8 / 4 % 3 << 1 & 0xff | 0x100
  decode_bytes:
    value: data.to_s("ASCII")
  hex_literal:
    value: 0x1_0000 + 0b101 + 0o17 + 1_000
enums:
  level:
    0: low
    1: mid
    2: high
