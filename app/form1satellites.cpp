// SPDX-License-Identifier: GPL-3.0-or-later
// The satellite choice of the main window: the built-in satellites' buttons,
// "Other satellite..." with its chooser over the satellite library, the
// choice kept for the next start, and what the window tells of a choice
// (its warnings, frames that do not parse, satellites that read them).

#include "describe/describedsatellite.h"
#include "form1.h"

#include "describe/satellitelibrary.h"
#include "input/identifycaptures.h"
#include "telemetry/satellite.h"
#include "ui/latin1.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace {

std::string ToLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

const QString ChoiceKey = QStringLiteral("satellite");           // "1", "2" or a description's file
const QString RecentKey = QStringLiteral("describedSatellites"); // the last first
const QString FoldersKey = QStringLiteral("satelliteFolders");   // added with "Add a folder of descriptions..."

// Satellites are tried on this many frames of a selection that none of
// whose frames the chosen one reads.
constexpr std::size_t IdentifyFrames = 2000;

QString CountedText(std::int64_t count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

QRadioButton* Form1::SatelliteButton(int number) const
{
    return c_.Satellites[static_cast<std::size_t>(&BuiltInSatelliteOf(number) - BuiltInSatellites.data())];
}

void Form1::Satellite_Click(int number)
{
    m_.SatelliteNumber = number;
    SatelliteButton(number)->setChecked(true);
    QSettings().setValue(ChoiceKey, QString::number(number));
    // From a described satellite, the built-in pages come back for the data set read again.
    if (m_.Described) {
        m_.Described.reset();
        ShowSatelliteChoice(true);
    }
}

QStringList Form1::RecentDescriptions() const { return QSettings().value(RecentKey).toStringList(); }

std::vector<std::string> Form1::SatelliteLibraryFolderList() const
{
    std::vector<std::string> added;
    for (const QString& folder : QSettings().value(FoldersKey).toStringList())
        added.push_back(ToLocal(folder));
    return SatelliteLibraryFolders(ProcessEnvironment, added);
}

void Form1::AddSatelliteFolder(const QString& folder)
{
    QStringList folders = QSettings().value(FoldersKey).toStringList();
    if (!folders.contains(folder))
        folders << folder;
    QSettings().setValue(FoldersKey, folders);
}

std::vector<SatelliteRow> Form1::SatelliteRows() const
{
    // Only ids and titles: whether a description loads is told when it is chosen.
    const SatelliteLibrary library = SatelliteLibrary::Scan(SatelliteLibraryFolderList(), false);
    const QString active = m_.Described ? QString::fromLocal8Bit(m_.Described->Description().File.c_str()) : QString();
    auto same = [](const QString& a, const QString& b) {
        return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
    };
    std::vector<SatelliteRow> rows;
    for (const QString& path : RecentDescriptions()) {
        if (!QFileInfo::exists(path))
            continue;
        const LibraryEntry entry = ReadLibraryEntry(ToLocal(path), false);
        rows.push_back(
            {QString::fromStdString(entry.Id), QString::fromStdString(entry.Title), path, true, same(path, active)});
    }
    for (const LibraryEntry& entry : library.Entries()) {
        const QString file = QString::fromLocal8Bit(entry.File.c_str());
        if (std::any_of(rows.begin(), rows.end(), [&](const SatelliteRow& r) { return same(r.File, file); }))
            continue;
        rows.push_back(
            {QString::fromStdString(entry.Id), QString::fromStdString(entry.Title), file, false, same(file, active)});
    }
    return rows;
}

void Form1::OtherSatellite_Click()
{
    // The button stays as it was until a description is chosen; the pages
    // keep showing the record (a chooser closed with Escape changes nothing).
    (m_.Described ? c_.OtherSatellite : SatelliteButton(m_.SatelliteNumber))->setChecked(true);
    for (;;) {
        const SatelliteChoice choice = chooser_(this, SatelliteRows());
        switch (choice.Result) {
        case SatelliteChoice::Outcome::Cancelled: return;
        case SatelliteChoice::Outcome::Chosen: ChooseDescription(choice.File); return;
        case SatelliteChoice::Outcome::OpenFile: {
            const FileDialogResult chosen
                = dialog_(this, QStringLiteral("Kaitai Struct descriptions (*.ksy)|*.ksy|All files (*.*)|*.*"));
            if (chosen.Result == FileDialogResult::Outcome::Chosen && !chosen.Paths.isEmpty())
                ChooseDescription(chosen.Paths.front());
            return;
        }
        case SatelliteChoice::Outcome::AddFolder: {
            // The chooser comes back with the folder's descriptions.
            const QString folder = folderDialog_(this);
            if (!folder.isEmpty())
                AddSatelliteFolder(QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath()));
            break;
        }
        }
    }
}

bool Form1::ChooseDescription(const QString& path)
{
    if (reading_ || live_)
        return false;
    std::shared_ptr<DescribedSatellite> satellite;
    try {
        satellite = DescribedSatellite::Load(ToLocal(path));
    } catch (const KsyLoadError& e) {
        message_(this, QStringLiteral("The description cannot be used: ") + QString::fromLocal8Bit(e.what()));
        ShowSatelliteChoice(false);
        return false;
    }
    m_.Described = satellite;
    QStringList recent = RecentDescriptions();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > 6)
        recent.removeLast();
    QSettings().setValue(RecentKey, recent);
    QSettings().setValue(ChoiceKey, path);
    ShowSatelliteChoice(true);
    return true;
}

bool Form1::ChooseSatellite(const QString& text, QString& error)
{
    const std::string given = ToLocal(text);
    if (const std::optional<int> number = ParseSatellite(given)) {
        Satellite_Click(*number);
        return true;
    }
    QString path = text;
    if (!NamesDescriptionFile(given) && !QFileInfo::exists(text)) {
        // The id of a description in the library.
        std::string why;
        const SatelliteLibrary library = SatelliteLibrary::Scan(SatelliteLibraryFolderList(), false);
        const LibraryEntry* entry = library.Find(given, why);
        if (!entry) {
            error = !why.empty() ? QString::fromLocal8Bit(why.c_str())
                                 : QStringLiteral("unknown satellite '%1' (%2, a description "
                                                  "FILE.ksy, or the id of one in the "
                                                  "satellite library)")
                                       .arg(text, QString::fromStdString(SatelliteChoices()));
            return false;
        }
        path = QString::fromLocal8Bit(entry->File.c_str());
    }
    return ChooseDescription(QFileInfo(path).absoluteFilePath());
}

void Form1::RestoreSatelliteChoice()
{
    const QString chosen = QSettings().value(ChoiceKey).toString();
    if (chosen.isEmpty())
        return;
    // A description that is gone or no longer loads is told, not shown as a box.
    const MessageBox box = message_;
    QString problem;
    message_ = [&problem](QWidget*, const QString& text) { problem = text; };
    QString error;
    const bool restored = ChooseSatellite(chosen, error);
    message_ = box;
    if (!restored) {
        Satellite_Click(BuiltInSatellites.front().Number);
        SetStatus(QStringLiteral("The satellite chosen last, %1, cannot be chosen: %2")
                      .arg(chosen, problem.isEmpty() ? error : problem));
    }
}

void Form1::ShowSatelliteChoice(bool reread)
{
    const bool described = m_.Described != nullptr;
    (described ? c_.OtherSatellite : SatelliteButton(m_.SatelliteNumber))->setChecked(true);
    if (described) {
        const KsyDescription& d = m_.Described->Description();
        c_.OtherSatellite->setText(QString::fromStdString(d.Id));
        c_.OtherSatellite->setToolTip(
            (d.Title.empty() ? QString() : QString::fromStdString(d.Title) + QStringLiteral("\n"))
            + QString::fromLocal8Bit(d.File.c_str()));
        std::vector<FieldRowText> rows;
        for (const KsyField& field : d.Fields)
            rows.push_back({field.Name, field.Unit, field.Doc});
        SetDescribedFields(c_, rows);
    } else {
        c_.OtherSatellite->setText(QStringLiteral("Other satellite..."));
        c_.OtherSatellite->setToolTip(QStringLiteral("A satellite described by a Kaitai Struct description (.ksy)"));
    }
    SetImportColumns(c_.ImportTable, described);
    // A pass holds records of a described satellite, of two kinds of the built-in ones.
    c_.PassTable->horizontalHeaderItem(3)->setText(described ? QStringLiteral("Records") : QStringLiteral("Kind 1"));
    c_.PassTable->setColumnHidden(4, described);
    // The built-in pages for the built-in satellites; for a described one
    // the "Fields" page, first. The built-in pages keep their places.
    QTabWidget* tabs = c_.SSTab1;
    QWidget* shown = tabs->currentWidget();
    const bool onValues = shown == c_.FieldsPage || shown == c_.PacketPages[0] || shown == c_.PacketPages[1];
    const int fieldsAt = described ? 0 : tabs->count() - 1;
    if (tabs->indexOf(c_.FieldsPage) != fieldsAt)
        tabs->tabBar()->moveTab(tabs->indexOf(c_.FieldsPage), fieldsAt);
    for (QWidget* page : c_.PacketPages)
        tabs->setTabVisible(tabs->indexOf(page), !described);
    tabs->setTabVisible(tabs->indexOf(c_.FieldsPage), described);
    if (onValues)
        tabs->setCurrentWidget(described ? c_.FieldsPage : c_.PacketPages[0]);
    if (!reread) {
        ShowSatelliteNotes(false);
        return;
    }
    selectedField_ = 0;
    describedField_ = 0;
    BeginDataSet(m_);
    ClearDump();
    ShowImports();
    if (c_.List3->count() > 0) {
        ReadList3();
    } else {
        RefreshAtEndOfFile();
        ShowSatelliteNotes(false);
    }
}

QStringList Form1::ShowSatelliteNotes(bool afterRead)
{
    std::vector<std::string> notes;
    QStringList status;
    // A selection of which nothing is stored: what reads it instead, first.
    std::int64_t tried = 0;
    for (const ImportSummary& s : m_.Imports)
        tried += m_.Described ? s.Stored1 + s.NotParsed : s.Units;
    if (afterRead && tried > 0 && m_.HighestRecord() == 0) {
        status << (m_.Described
                ? QStringLiteral("0 of %1 parse with %2")
                      .arg(CountedText(tried, "frame", "frames"), QString::fromStdString(m_.Described->Id()))
                : QStringLiteral("No packet of %1 in the %2 read")
                      .arg(Latin1(BuiltInSatelliteOf(m_.SatelliteNumber).Name),
                          CountedText(tried, "frame or line", "frames or lines")));
        std::vector<std::string> paths;
        std::vector<std::optional<CaptureKind>> kinds;
        SelectionOfList3(paths, kinds);
        const Identification found = IdentifyCaptures(
            kinds, paths, SatelliteLibrary::Scan(SatelliteLibraryFolderList(), true), IdentifyFrames);
        constexpr std::size_t Shown = 5;
        notes.push_back(
            found.Ranked.empty() ? "No satellite of the library reads these frames." : "These frames read best with:");
        for (std::size_t k = 0; k < std::min(Shown, found.Ranked.size()); ++k)
            notes.push_back("  " + IdentifyLine(found.Ranked[k], found.Tried));
    }
    if (m_.Described) {
        const KsyDescription& d = m_.Described->Description();
        notes.insert(notes.end(), d.Warnings.begin(), d.Warnings.end());
        for (const std::string& process : d.UnsupportedProcesses)
            notes.push_back(d.File + ": process " + process + " is not supported; frames that need it do not parse");
        if (const std::size_t warnings = d.Warnings.size() + d.UnsupportedProcesses.size(); warnings > 0)
            status << CountedText(static_cast<std::int64_t>(warnings), "warning", "warnings");
    }
    ShowWarnings(c_, notes);
    if (status.isEmpty())
        return status;
    const QString said = status.join(QStringLiteral(", ")) + QStringLiteral(": see Import");
    if (!afterRead)
        SetStatus(said);
    return {said};
}
