# SPDX-License-Identifier: GPL-3.0-or-later
meta:
  id: processes
  endian: le
doc: |
  :field kind: kind
  :field b64: body.text
  :field b64_back: body.back
  :field b85: body.text
  :field b85_back: body.back
  :field hex: body.text
  :field hex_back: body.back
  :field scrambled: body.scrambled
  :field first: body.first
  :field unescaped: body.unescaped
  :field latin: body.latin
seq:
  - id: kind
    type: u1
  - id: body
    type:
      switch-on: kind
      cases:
        1: base64
        2: base85
        3: hex
        4: scrambled
        5: elfin
        6: latin
types:
  base64:
    seq:
      - id: text
        size: 6
        process: satnogsdecoders.process.b64encode
      - id: back
        size-eos: true
        process: satnogsdecoders.process.b64decode
  base85:
    seq:
      - id: text
        size: 5
        process: satnogsdecoders.process.b85encode
      - id: back
        size-eos: true
        process: satnogsdecoders.process.b85decode
  hex:
    seq:
      - id: text
        size: 3
        process: satnogsdecoders.process.hexl
      - id: back
        size-eos: true
        process: satnogsdecoders.process.unhexl
  scrambled:
    seq:
      - id: scrambled
        size-eos: true
        process: satnogsdecoders.process.scrambler(0xa9, 0xff, 7)
    instances:
      first:
        value: scrambled[0]
  elfin:
    seq:
      - id: unescaped
        size-eos: true
        process: satnogsdecoders.process.elfin_pp
  latin:
    seq:
      - id: latin
        type: str
        size-eos: true
        encoding: ISO-8859-1
