// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldcatalogue.h"

#include "dataset/module1.h"

namespace {

using F = FieldFrame;
using R = DisplayRule;

// The code tables of the coded fields: the word the record view shows for each code.
constexpr CodeWord OpsModeWords[] = {{0, "idle"}, {1, "deploy"}, {2, "norm"}, {130, "norm safe"}};
constexpr CodeWord EpsModeWords[] = {{0, "begin"}, {1, "crit"}, {2, "safe"}, {3, "norm"}, {4, "full"}};
constexpr CodeWord EpsTrackWords[] = {{0, "HW default"}, {1, "max power"}, {2, "SW fixed point"}};
constexpr CodeWord SfTriggerWords[] = {{0, "none"}, {1, "unknown"}, {2, "deploy cmpl"}, {3, "Batt Volt"},
    {4, "unexpected"}, {5, "GS timeout"}, {6, "CS cur 3v3"}, {7, "CC cur 3v3"}, {8, "CC cur 5v"}, {9, "CC cur batt"}};
constexpr CodeWord AdcsModeWords[]
    = {{0, "off"}, {1, "idle"}, {2, "estim."}, {3, "detumb"}, {4, "detumb MEMS"}, {5, "est. EKF"}, {6, "detumb EKF"}};
constexpr CodeWord AdcsEmodeWords[] = {{0, "off"}, {1, "enabled"}, {2, "trigger"}};
constexpr CodeWord AdcsCtrmodeWords[]
    = {{0, "none"}, {1, "MEMS"}, {2, "Mag rate"}, {3, "Mag rate pitch"}, {4, "EKF"}, {5, "Mag TRIAD"}};

constexpr FieldEntry Catalogue[FieldCount] = {
    {"OPS mode", "", F::Frame2, 1, 1, R::Word, OpsModeWords},
    {"Boot cnt", "", F::Frame2, 1, 2, R::Whole},
    {"Packet cnt", "", F::Frame2, 1, 3, R::Whole},
    {"Cmd rx", "", F::Frame2, 1, 4, R::Whole},
    {"Cmd valid", "", F::Frame2, 1, 5, R::Whole},
    {"Sat Uptime", "s", F::Frame2, 1, 6, R::Whole},
    {"Doppler", "", F::Label2Label2, 1, 1, R::Whole},
    {"RSSI", "", F::Label2Label2, 1, 2, R::Whole},
    {"refl pow", "mW", F::Label2Label2, 1, 3, R::Fixed2},
    {"forw pow", "mW", F::Label2Label2, 1, 4, R::Fixed2},
    {"TX curr", "mA", F::Label2Label2, 1, 5, R::Fixed2},
    {"RX curr", "mA", F::Label2Label2, 1, 6, R::Fixed2},
    {"PA temp", "C", F::Label2Label2, 1, 7, R::Fixed2},
    {"Bus voltage", "V", F::Label2Label2, 1, 8, R::Fixed2},
    {"Depl side A", "", F::Frame4, 1, 1, R::Hex},
    {"Temp side A", "C", F::Frame4, 1, 2, R::Fixed2},
    {"Depl side B", "", F::Frame4, 1, 3, R::Hex},
    {"Temp side B", "C", F::Frame4, 1, 4, R::Fixed2},
    {"SP1 volts", "mV", F::Frame3, 1, 1, R::Whole},
    {"SP2 volts", "mV", F::Frame3, 1, 2, R::Whole},
    {"SP3 volts", "mV", F::Frame3, 1, 3, R::Whole},
    {"Batt volts", "mV", F::Frame3, 1, 4, R::Whole},
    {"SP1 curr", "mA", F::Frame3, 1, 5, R::Whole},
    {"SP2 curr", "mA", F::Frame3, 1, 6, R::Whole},
    {"SP3 curr", "mA", F::Frame3, 1, 7, R::Whole},
    {"Solar curr", "mA", F::Frame3, 1, 8, R::Whole},
    {"Total1 curr", "mA", F::Frame3, 2, 1, R::Whole},
    {"3v3 #1 curr", "mA", F::Frame3, 2, 2, R::Whole},
    {"3v3 #2 curr", "mA", F::Frame3, 2, 3, R::Whole},
    {"3v3 #3 curr", "mA", F::Frame3, 2, 4, R::Whole},
    {"5v #1 curr", "mA", F::Frame3, 2, 5, R::Whole},
    {"5v #2 curr", "mA", F::Frame3, 2, 6, R::Whole},
    {"5v #3 curr", "mA", F::Frame3, 2, 7, R::Whole},
    {"temp BC #1", "C", F::Frame3, 3, 1, R::Whole},
    {"temp BC #2", "C", F::Frame3, 3, 2, R::Whole},
    {"temp BC #3", "C", F::Frame3, 3, 3, R::Whole},
    {"batt temp", "C", F::Frame3, 3, 4, R::Whole},
    {"Ch status", "", F::Frame3, 3, 5, R::Hex},
    {"EPS boot", "", F::Frame3, 3, 6, R::Hex},
    {"EPS mode", "", F::Frame3, 3, 7, R::Word, EpsModeWords},
    {"EPS track", "", F::Frame3, 3, 8, R::Word, EpsTrackWords},
    {"Temp SP0", "C", F::Frame4, 1, 5, R::Fixed2},
    {"Temp SP1", "C", F::Frame4, 1, 6, R::Fixed2},
    {"Temp SP2", "C", F::Frame4, 1, 7, R::Fixed2},
    {"Temp SP3", "C", F::Frame4, 1, 8, R::Fixed2},
    {"Temp SP4", "C", F::Frame4, 1, 9, R::Fixed2},
    {SpareCaption, "", F::None, 0, 0, R::Fixed2},
    {SpareCaption, "", F::None, 0, 0, R::Fixed2},
    {SpareCaption, "", F::None, 0, 0, R::Fixed2},
    {SpareCaption, "", F::None, 0, 0, R::Fixed2},
    {"OPS mode", "", F::Frame5, 1, 1, R::Word, OpsModeWords},
    {"Boot cnt", "", F::Frame5, 1, 2, R::Whole},
    {"Packet cnt", "", F::Frame5, 1, 3, R::Whole},
    {"Cmd rx", "", F::Frame5, 1, 4, R::Whole},
    {"Cmd valid", "", F::Frame5, 1, 5, R::Whole},
    {"Sat Uptime", "s", F::Frame5, 1, 6, R::Whole},
    {"OBC SV Status", "", F::Frame6, 1, 1, R::Whole},
    {"OBC SV Uptime", "s", F::Frame6, 1, 2, R::Whole},
    {"OBC Uptime", "s", F::Frame6, 1, 3, R::Whole},
    {"Reset Count", "", F::Frame6, 1, 4, R::Whole},
    {"SV temp", "C", F::Frame6, 1, 5, R::Fixed2},
    {"3v3 in", "mV", F::Frame6, 2, 1, R::Fixed2},
    {"3v3 supply", "mV", F::Frame6, 2, 2, R::Fixed2},
    {"2v5 ref", "mV", F::Frame6, 2, 3, R::Fixed2},
    {"1v8 supply", "mV", F::Frame6, 2, 4, R::Fixed2},
    {"1v0 supply", "mV", F::Frame6, 2, 5, R::Fixed2},
    {"3v3 curr", "mA", F::Frame6, 2, 6, R::Fixed2},
    {"1v8 curr", "mA", F::Frame6, 2, 7, R::Fixed2},
    {"1v0 curr", "mA", F::Frame6, 2, 8, R::Fixed2},
    {"RTC supply", "mV", F::Frame6, 2, 9, R::Fixed2},
    {"SF trigger", "", F::Frame6, 1, 6, R::Word, SfTriggerWords},
    {"SF Uptime", "s", F::Frame6, 1, 7, R::Fixed2},
    {"epoch", "s", F::Frame6, 1, 8, R::Whole},
    {"ADCS mode", "", F::Frame7, 1, 1, R::Word, AdcsModeWords},
    {"switch state", "", F::Frame7, 1, 2, R::Hex},
    {"ADCS emode", "", F::Frame7, 1, 3, R::Word, AdcsEmodeWords},
    {"ADCS Ctrmode", "", F::Frame7, 1, 4, R::Word, AdcsCtrmodeWords},
    {"ADCS flag1", "", F::Frame7, 1, 5, R::Whole},
    {"ADCS flag2", "", F::Frame7, 1, 6, R::Whole},
    {"ADCS flag3", "", F::Frame7, 1, 7, R::Whole},
    {"ADCS flag4", "", F::Frame7, 1, 8, R::Whole},
    {"ADCS flag5", "", F::Frame7, 1, 9, R::Whole},
    {"rate X", "d/s", F::Frame7, 2, 1, R::Fixed2},
    {"rate Y", "d/s", F::Frame7, 2, 2, R::Fixed2},
    {"rate Z", "d/s", F::Frame7, 2, 3, R::Fixed2},
    {"ang rate Y", "d/s", F::Frame7, 2, 4, R::Fixed2},
    {"mag X", "", F::Frame7, 2, 5, R::Whole},
    {"mag Y", "", F::Frame7, 2, 6, R::Whole},
    {"mag Z", "", F::Frame7, 2, 7, R::Whole},
    {"SunSens 1", "", F::Frame7, 2, 8, R::Whole},
    {"SunSens 2", "", F::Frame7, 2, 9, R::Whole},
    {"SunSens 3", "", F::Frame7, 2, 10, R::Whole},
    {"SunSens 4", "", F::Frame7, 2, 11, R::Whole},
    {"SunSens 5", "", F::Frame7, 3, 1, R::Whole},
    {"SunSens 6", "", F::Frame7, 3, 2, R::Whole},
    {"CS 3v3 curr", "mA", F::Frame7, 3, 3, R::Fixed2},
    {"NadSRAM curr", "mA", F::Frame7, 3, 4, R::Fixed2},
    {"SunSRAM curr", "mA", F::Frame7, 3, 5, R::Fixed2},
    {"CC3v3 curr", "mA", F::Frame7, 3, 6, R::Fixed2},
    {"CC5v curr", "mA", F::Frame7, 3, 7, R::Fixed2},
    {"CCBat curr", "mA", F::Frame7, 3, 8, R::Fixed2},
    {"Magnq curr", "mA", F::Frame7, 3, 9, R::Fixed2},
    {"Wheel curr", "mA", F::Frame7, 3, 10, R::Fixed2},
    {"RS temp", "C", F::Frame7, 1, 10, R::Whole},
    {"CPU temp", "C", F::Frame7, 1, 11, R::Whole},
};

} // namespace

const FieldEntry& FieldCatalogue(int field)
{
    if (field < 0 || field >= FieldCount)
        return Catalogue[46]; // a spare row: "Option1", no unit
    return Catalogue[field];
}
