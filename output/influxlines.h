// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outputfile.h"
#include "telemetry/module1.h"

#include <cstdint>

// InfluxDB's line protocol: one point per stored packet or record with a
// known instant, in the order stored.

// One line per packet with a known instant (within InfluxDB's years 1677 to
// 2262): measurement "norvane", tags
// satellite (the chosen one) and kind, a field per value under its caption,
// the instant in nanoseconds. Returns the number of packets left out for want
// of an instant.
std::int64_t WriteInfluxLines(TextSink& out, const Module1& m);

// A described satellite's records as the line protocol: tag satellite,
// integers as integers, floats, booleans, strings (byte arrays as hex) as
// string fields. Returns the records left out for want of an instant.
std::int64_t WriteDescribedInflux(TextSink& out, const Module1& m);
