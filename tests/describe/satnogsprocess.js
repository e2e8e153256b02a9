// SPDX-License-Identifier: GPL-3.0-or-later
// The processes of the SatNOGS decoders project for the reference
// compiler's JavaScript output, which requires them as modules
// "satnogsdecoders-process/NAME": each does to the bytes what the project's
// Python function of that name does (base64 and Ascii85 as Python's base64
// module, hex as binascii, the additive scrambler, ELFIN's escapes).
"use strict";

const ascii = (text) => Uint8Array.from(Buffer.from(text, "latin1"));

function b64decode(bytes) {
    const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    let digits = "";
    let pads = 0;
    let complete = false;
    for (const c of Buffer.from(bytes).toString("latin1")) {
        if (c === "=") {
            const held = digits.length % 4;
            pads += 1;
            if (held >= 2 && held + pads >= 4) {
                complete = true;
                break;
            }
            continue;
        }
        if (alphabet.includes(c)) {
            digits += c;
            pads = 0;
        }
    }
    const held = digits.length % 4;
    if (held === 1)
        throw new Error("base64 whose last group holds a single digit");
    if (held !== 0 && !complete)
        throw new Error("base64 without its padding");
    return Uint8Array.from(Buffer.from(digits, "base64"));
}

function a85encode(bytes) {
    let out = "";
    for (let k = 0; k < bytes.length; k += 4) {
        const n = Math.min(4, bytes.length - k);
        let word = 0;
        for (let b = 0; b < 4; b++)
            word = word * 256 + (b < n ? bytes[k + b] : 0);
        if (word === 0 && n === 4) {
            out += "z";
            continue;
        }
        let group = "";
        for (let d = 0; d < 5; d++) {
            group = String.fromCharCode(33 + (word % 85)) + group;
            word = Math.floor(word / 85);
        }
        out += group.slice(0, n + 1);
    }
    return ascii(out);
}

function a85decode(bytes) {
    const out = [];
    let group = [];
    const flush = () => {
        let word = 0;
        for (const d of group)
            word = word * 85 + d;
        if (word > 0xffffffff)
            throw new Error("Ascii85 overflow");
        out.push((word >>> 24) & 255, (word >>> 16) & 255, (word >>> 8) & 255, word & 255);
        group = [];
    };
    for (const c of bytes) {
        if (c >= 33 && c <= 117) {
            group.push(c - 33);
            if (group.length === 5)
                flush();
        } else if (c === 122) {
            if (group.length)
                throw new Error("z inside Ascii85 5-tuple");
            out.push(0, 0, 0, 0);
        } else if (![32, 9, 10, 13, 11].includes(c)) {
            throw new Error("Non-Ascii85 digit found");
        }
    }
    if (group.length) {
        const missing = 5 - group.length;
        while (group.length < 5)
            group.push(117 - 33);
        flush();
        out.length -= missing;
    }
    return Uint8Array.from(out);
}

function unhexl(bytes) {
    const text = Buffer.from(bytes).toString("latin1");
    if (text.length % 2 || !/^[0-9a-fA-F]*$/.test(text))
        throw new Error("Odd-length string or non-hexadecimal digit");
    return Uint8Array.from(Buffer.from(text, "hex"));
}

function popCount(v) {
    const count = v - (Math.floor(v / 2) & 0o33333333333) - (Math.floor(v / 4) & 0o11111111111);
    return ((count + Math.floor(count / 8)) & 0o30707070707) % 63;
}

class Scrambler {
    constructor(poly, seed, length) {
        this.poly = poly;
        this.seed = seed;
        this.length = length;
    }
    decode(bytes) {
        let reg = this.seed;
        return Uint8Array.from(bytes, (byte) => {
            let result = 0;
            for (let bit = 7; bit >= 0; bit--) {
                const output = reg & 1;
                const fed = popCount(reg & this.poly) % 2;
                reg = Math.floor(reg / 2) + fed * 2 ** this.length;
                result |= (((byte >> bit) & 1) ^ output) << bit;
            }
            return result;
        });
    }
}

function elfin(bytes) {
    const out = [];
    for (let k = 0; k < bytes.length; k++) {
        if (bytes[k] === 0x27 && k + 1 < bytes.length && [0x27, 0x5e, 0x9e].includes(bytes[k + 1]))
            k++;
        out.push(bytes[k]);
    }
    return Uint8Array.from(out);
}

// A class of the name the compiled code makes, whose decode is f.
function processModule(name, f) {
    return { [name]: class { decode(bytes) { return f(bytes); } } };
}

module.exports = {
    "satnogsdecoders-process/B64encode": processModule("B64encode", (b) => ascii(Buffer.from(b).toString("base64"))),
    "satnogsdecoders-process/B64decode": processModule("B64decode", b64decode),
    "satnogsdecoders-process/B85encode": processModule("B85encode", a85encode),
    "satnogsdecoders-process/B85decode": processModule("B85decode", a85decode),
    "satnogsdecoders-process/Hexl": processModule("Hexl", (b) => ascii(Buffer.from(b).toString("hex"))),
    "satnogsdecoders-process/Unhexl": processModule("Unhexl", unhexl),
    "satnogsdecoders-process/ElfinPp": processModule("ElfinPp", elfin),
    "satnogsdecoders-process/Scrambler": { Scrambler },
};
