// SPDX-License-Identifier: GPL-3.0-or-later
// Compares norvane-decode with the Kaitai Struct reference compiler's
// JavaScript output, frame by frame and value by value. Usage:
//   node ksycompare.js MODULES DECODER DESCRIPTION.ksy FRAMES WORKDIR
// FRAMES holds one frame per line: its hex, or "PREFIX+N*COUNT" for COUNT
// frames of that hex prefix followed by up to N random bytes ("PREFIX=N*COUNT":
// exactly N), so that a few lines reach many branches; # starts a comment. Prints the differences; exit 1 when there are.
"use strict";
const path = require("path");
const fs = require("fs");
const { execFileSync } = require("child_process");
const [modules, decoder, ksy, framesFile, work] = process.argv.slice(2);

// A small fixed generator: the same frames on every run.
let seed = 12345;
function random() {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed >>> 8;
}
const frames = [];
for (const raw of fs.readFileSync(framesFile, "utf8").split("\n")) {
    const line = raw.replace(/#.*/, "").trim();
    if (!line)
        continue;
    const m = /^([0-9a-fA-F]*)([+=])(\d+)(?:\*(\d+))?$/.exec(line);
    if (!m) {
        frames.push(line.toLowerCase());
        continue;
    }
    for (let k = 0; k < Number(m[4] || 1); ++k) {
        let hex = m[1].toLowerCase();
        const n = m[2] === "=" ? Number(m[3]) : random() % (Number(m[3]) + 1);
        for (let i = 0; i < n; ++i)
            hex += (random() & 255).toString(16).padStart(2, "0");
        frames.push(hex);
    }
}

fs.mkdirSync(work, { recursive: true });
const framesPath = path.join(work, "frames.hex");
fs.writeFileSync(framesPath, frames.join("\n") + "\n");
// The frames as a SatNOGS export: line k's offset tells its frame.
let csv = "";
const offsets = new Map();
frames.forEach((hex, k) => {
    offsets.set(Buffer.byteLength(csv), k);
    csv += "2026-01-01 00:00:00|" + hex.toUpperCase() + "\n";
});
const capture = path.join(work, "frames.csv");
fs.writeFileSync(capture, csv);

const reference = execFileSync("node", [path.join(__dirname, "ksyreference.js"), modules, ksy], { input: frames.join("\n") + "\n", maxBuffer: 1 << 28 })
    .toString().trim().split("\n").map((l) => JSON.parse(l));
let ours;
try {
    ours = execFileSync(decoder, ["-q", "-s", ksy, "-f", "satnogs", "--jsonl", "-", capture], { maxBuffer: 1 << 28 }).toString();
} catch (e) {
    process.stdout.write("norvane-decode failed: " + e.stderr + "\n");
    process.exit(1);
}
const stored = new Map();
for (const line of ours.split("\n").filter((l) => l))  {
    const record = JSON.parse(line);
    stored.set(offsets.get(record.at), record.values);
}

// Values agree when equal; 64-bit integers, which the JavaScript runtime
// reads as doubles (and s8 off by up to 2^32), when they are that close.
function same(a, b) {
    if (typeof a === "number" && typeof b === "number")
        return a === b || (Math.abs(a) >= 2 ** 53 && Math.abs(a - b) <= 2 ** 33);
    if (a && typeof a === "object" && a.hex !== undefined)
        return a.hex === b;
    if (Array.isArray(a) && Array.isArray(b))
        return a.length === b.length && a.every((x, i) => same(x, b[i]));
    return a === b;
}

let differences = 0;
let parsed = 0;
const report = (k, what) => {
    if (++differences <= 20)
        process.stdout.write(path.basename(ksy) + " frame " + k + " (" + frames[k].slice(0, 40) + "...): " + what + "\n");
};
reference.forEach((r, k) => {
    const values = stored.get(k);
    if (!r.ok) {
        if (values)
            report(k, "the reference does not parse it (" + r.error + "), we do");
        return;
    }
    ++parsed;
    if (!values) {
        report(k, "the reference parses it, we do not");
        return;
    }
    for (const name of new Set([...Object.keys(r.values), ...Object.keys(values)])) {
        if (!(name in values))
            report(k, name + ": reference " + JSON.stringify(r.values[name]) + ", ours absent");
        else if (!(name in r.values))
            report(k, name + ": reference absent, ours " + JSON.stringify(values[name]));
        else if (!same(r.values[name], values[name]))
            report(k, name + ": reference " + JSON.stringify(r.values[name]) + ", ours " + JSON.stringify(values[name]));
    }
});
process.stdout.write(path.basename(ksy) + ": " + frames.length + " frames, " + parsed + " parse, " + differences + " differences\n");
process.exit(differences > 0 ? 1 : 0);
