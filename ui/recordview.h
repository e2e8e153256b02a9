// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "ui/windowlayout.h"

#include <QString>

class FittedBox;

#include <string_view>

// "#", the scroll bar's value, " / " and the record count of the selected
// field's packet kind.
QString RecordCounterText(int value, std::int64_t count);

// Puts text into the record counter, drawn to fit, and the whole text in its
// tooltip.
void SetRecordCounter(FittedBox* counter, const QString& text);

// Writes every value box with record n's value in its field's display rule,
// and the time label: the record's own time of the kind of the field the
// chart shows (selectedField), or, with ShowTimeSpan, the span from the first
// to the last record's time (empty when there is no record of that kind).
void ShowRecord(const Module1& m, Form1Controls& c, std::int64_t n, int selectedField, std::string_view decimalMark);

// The same for a described satellite: the "Fields" page with record n's
// values (fields the record lacks empty, their names grey) and the time label.
// Its values come from reader, a reader of satellite's records (m's) that
// the window keeps.
class RecordReader;
class SatelliteRecords;
void ShowDescribedRecord(const Module1& m, const SatelliteRecords& satellite, RecordReader& reader, Form1Controls& c,
    std::int64_t n, std::string_view decimalMark);
