// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"

#include <cstdint>

// InfluxDB's line protocol: one point per stored packet or record with a
// known instant, in the order stored.

// One line per stored packet or record with a known instant (within
// InfluxDB's years 1677 to 2262): measurement "norvane", tag satellite (the
// chosen one, or the description's id) and, for a satellite of several packet
// kinds, kind; a field per value under its field's name (a list a field an
// item): integers as integers, floats, booleans, strings (byte arrays as hex)
// as string fields; the instant in nanoseconds. Returns the number of packets
// left out for want of an instant or of a value.
std::int64_t WriteInfluxLines(TextSink& out, const Module1& m);
