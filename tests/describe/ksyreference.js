// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes frames with the Kaitai Struct reference compiler's JavaScript
// output, for the tests to compare with. Usage:
//   node ksyreference.js MODULES DESCRIPTION.ksy < frames
// MODULES is the folder holding kaitai-struct-compiler, kaitai-struct and
// js-yaml; each line of input is a frame's hex. Each line of output is a JSON
// object: {"ok": true, "values": {...}} or {"ok": false, "error": "..."}.
// Values: integers and floats as numbers, byte arrays as lower-case hex,
// strings, booleans; a field whose path does not exist is left out.
"use strict";
const path = require("path");
const fs = require("fs");
const modules = process.argv[2];
const compiler = require(path.join(modules, "kaitai-struct-compiler"));
const KaitaiStream = require(path.join(modules, "kaitai-struct", "KaitaiStream.js"));
const yaml = require(path.join(modules, "js-yaml"));

// ISO-8859-1 is a byte for each code point, as the decoders' Python reads it
// (a browser's decoder of that name is windows-1252's).
const bytesToStr = KaitaiStream.bytesToStr;
KaitaiStream.bytesToStr = function (bytes, encoding) {
    if (/^(iso-?8859-1|latin-?1)$/i.test(String(encoding)))
        return String.fromCharCode(...bytes);
    return bytesToStr.call(this, bytes, encoding);
};

const description = yaml.load(fs.readFileSync(process.argv[3], "utf8"));
const fields = [];
for (const line of String(description.doc || "").split("\n")) {
    const m = /^\s*:field\s+([^:]+):\s*(\S+)\s*$/.exec(line);
    if (m)
        fields.push([m[1].trim(), m[2]]);
}

// A dotted path of the description in the names the JavaScript output uses.
function camel(name) {
    return name.replace(/_([a-z0-9])/g, (_, c) => c.toUpperCase());
}
// A field's path as the SatNOGS decoders follow it: attribute names joined
// by dots from the top-level structure, where a number, or [N] after a name,
// indexes a list; a name is looked up on structures only (a byte array's
// length or a string's methods are no field), and nothing at all stands for
// a path that leads nowhere.
function walk(top, p) {
    return walkFrom(top, p.split("."));
}

// The values of a field that runs over a list's items (list.___.b), by the
// names of the items' fields (list___b gives list_0_b, ...); null where the
// path is no such field.
function eachItem(top, name, p) {
    const segments = p.split(".");
    const at = segments.indexOf("___");
    if (at < 1 || segments.indexOf("___", at + 1) >= 0)
        return null;
    const list = walkFrom(top, segments.slice(0, at));
    const values = {};
    if (!Array.isArray(list))
        return values;
    list.forEach((item, k) => {
        const itemName = name.includes("___") ? name.replace("___", "_" + k + "_") : name + "_" + k;
        let v;
        try {
            v = at + 1 < segments.length ? walkFrom(item, segments.slice(at + 1)) : item;
        } catch (e) {
            if (!(e instanceof TypeError))
                throw e;
        }
        if (v !== undefined && v !== null && (typeof v !== "object" || v instanceof Uint8Array || Array.isArray(v)))
            values[itemName] = text(v);
    });
    return values;
}

function walkFrom(top, segments) {
    const isList = (v) => Array.isArray(v) || v instanceof Uint8Array;
    const index = (v, n) => (isList(v) ? v[n] : undefined);
    let v = top;
    let values = null; // the enum of the attribute last read
    for (const segment of segments) {
        if (v === undefined || v === null)
            return undefined;
        if (/^\d+$/.test(segment)) {
            v = index(v, Number(segment));
            continue;
        }
        const m = /^([A-Za-z_][A-Za-z0-9_]*)((?:\[\d+\])*)$/.exec(segment);
        // Attribute names are lower case: "battPwrDraw" names none.
        if (!m || /[A-Z]/.test(m[1]) || typeof v !== "object" || isList(v))
            return undefined;
        values = m[1].startsWith("_") ? null : enumOf(v, m[1]);
        v = v[m[1].startsWith("_") ? m[1] : camel(m[1])];
        for (const n of m[2].match(/\d+/g) || [])
            v = index(v, Number(n));
    }
    return values ? named(v, values) : v;
}

// Enum values by their names, as the SatNOGS decoders give them: the
// attribute a path ends at is found in the description by the class of the
// structure that holds it, and its enum looked up from that type outward.
const upper = (name) => camel(name).replace(/^./, (c) => c.toUpperCase());
const typesByClass = new Map(); // class name -> [{node, outer}]
(function collect(node, name, outer) {
    const scope = { node, outer };
    const list = typesByClass.get(upper(name)) || [];
    list.push(scope);
    typesByClass.set(upper(name), list);
    for (const [inner, innerNode] of Object.entries(node.types || {}))
        collect(innerNode, inner, scope);
})(description, description.meta.id, null);

function enumOf(holder, attributeId) {
    if (!holder || typeof holder !== "object" || !holder.constructor)
        return null;
    for (const scope of typesByClass.get(holder.constructor.name) || []) {
        const attributes = [...(scope.node.seq || [])];
        for (const [id, instance] of Object.entries(scope.node.instances || {}))
            attributes.push({ ...instance, id });
        const attribute = attributes.find((a) => a.id === attributeId);
        if (!attribute || !attribute.enum)
            continue;
        const parts = String(attribute.enum).split("::");
        const name = parts.pop();
        for (let at = scope; at; at = at.outer) {
            let type = at.node;
            for (const part of parts)
                type = type && type.types ? type.types[part] : undefined;
            if (type && type.enums && type.enums[name])
                return type.enums[name];
        }
    }
    return null;
}

function named(v, values) {
    if (Array.isArray(v))
        return v.map((item) => named(item, values));
    if (typeof v !== "number" || !(String(v) in values))
        return v;
    const entry = values[String(v)];
    return entry && typeof entry === "object" ? entry.id : entry;
}

function text(v) {
    if (v instanceof Uint8Array)
        return { hex: Buffer.from(v).toString("hex") };
    if (typeof v === "bigint")
        return Number(v);
    return v;
}

compiler.compile("javascript", description, null, false).then((files) => {
    const sandbox = { KaitaiStream: KaitaiStream, ...require(path.join(__dirname, "satnogsprocess.js")) };
    let main = null;
    for (const [name, code] of Object.entries(files)) {
        const module = { exports: {} };
        const define = undefined;
        const root = {};
        const fn = new Function("module", "exports", "require", "define", "root", code + "\n;return module.exports;");
        const exported = fn(module, module.exports, (what) => (what === "kaitai-struct/KaitaiStream" ? KaitaiStream : sandbox[what]), define, root);
        main = exported;
    }
    const Top = Object.values(main).find((v) => typeof v === "function") || main;
    const lines = fs.readFileSync(0, "utf8").split("\n");
    if (lines.length > 0 && lines[lines.length - 1] === "")
        lines.pop(); // after the last line end
    for (const line of lines) {
        const bytes = Buffer.from(line.trim(), "hex");
        let result;
        try {
            const parsed = new Top(new KaitaiStream(new Uint8Array(bytes).buffer));
            const values = {};
            for (const [name, p] of fields) {
                const items = p.split(".").includes("___") ? eachItem(parsed, name, p) : null;
                if (items) {
                    Object.assign(values, items);
                    continue;
                }
                let v;
                try {
                    v = walk(parsed, p);
                } catch (e) {
                    if (e instanceof TypeError)
                        continue; // a path through something the frame does not hold
                    throw e;
                }
                // Nothing, and an object rather than a value, is no field value.
                if (v === undefined || v === null || (typeof v === "object" && !(v instanceof Uint8Array) && !Array.isArray(v)))
                    continue;
                values[name] = text(v);
            }
            result = { ok: true, values: values };
        } catch (e) {
            result = { ok: false, error: String(e && e.message ? e.message : e) };
        }
        process.stdout.write(JSON.stringify(result) + "\n");
    }
}).catch((e) => {
    process.stderr.write("compile: " + String(e && e.message ? e.message : e) + "\n");
    process.exit(2);
});
