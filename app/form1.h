// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/filedialog.h"
#include "app/livesession.h"
#include "app/satellitechooser.h"
#include "dataset/merge.h"
#include "dataset/module1.h"
#include "input/capturereaders.h"
#include "input/kissframereader.h"
#include "input/readerhost.h"
#include "output/outputfile.h"
#include "output/outputformats.h"
#include "ui/windowlayout.h"

#include <QMainWindow>

class QLabel;
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class FieldChart;
class DescribedSatellite;
class RecordReader;
class SatelliteRecords;
class Info;
class QAction;
class QMenu;

// The main window: field rows on two pages and the dump page, the satellite
// choice, the chart, the record chooser and the menus. It is the readers'
// host while files are read.
class Form1 : public QMainWindow, public ReaderHost {
    Q_OBJECT
public:
    // programFolder holds conf.ini and is the default picture folder.
    Form1(Module1& m, const QString& programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    void SetFileDialog(OpenFileDialog dialog) { dialog_ = std::move(dialog); }
    void SetMessageBox(MessageBox box) { message_ = std::move(box); }
    void SetSaveDialog(SaveFileDialog dialog) { saveDialog_ = std::move(dialog); }
    void SetRecordDialog(RecordDialog dialog) { recordDialog_ = std::move(dialog); }
    void SetConnectDialog(ConnectDialog dialog) { connectDialog_ = std::move(dialog); }
    void SetSatelliteChooser(SatelliteChooserDialog dialog) { chooser_ = std::move(dialog); }
    void SetFolderDialog(FolderDialog dialog) { folderDialog_ = std::move(dialog); }

    Form1Controls& Controls() { return c_; }
    FieldChart& Chart() { return *chart_; }
    // The field the chart shows (a built-in satellite's field number), and
    // the folder prefix of the window's pictures, with its separator.
    int SelectedField() const { return selectedField_; }
    const std::string& ImagePath() const { return imagePath_; }
    // The open command of a kind; empty for "any kind".
    QAction* OpenAction(std::optional<CaptureKind> kind) const { return openActions_.at(kind); }
    QAction* Action(const char* name) const;
    // The information window while it is open.
    Info* InfoWindow() const;

    // Runs an open command with these files as its selection, as if the
    // dialog had returned them.
    // Kind empty: each file is read with the reader of its own kind.
    void OpenSelection(std::optional<CaptureKind> kind, const QStringList& paths);

    // Called each time the window handles its pending events while reading.
    std::function<void()> OnPendingEvents;

    // The window's event handlers.
    void Form_Load();
    void Form_Resize();
    // A built-in satellite's button: the satellite of that number is chosen.
    void Satellite_Click(int number);
    // "Other satellite...": the chooser over the satellite library and the
    // descriptions chosen before, which can also open a description file or
    // add a folder of descriptions to the library.
    void OtherSatellite_Click();
    // Makes the satellite described at path the chosen one and reads the
    // selection again with it; a description that cannot be used is told
    // (file, line, reason) and the choice stays as it was. Returns whether
    // it was chosen.
    bool ChooseDescription(const QString& path);
    // Chooses the satellite text names as -s does: a built-in satellite, a
    // description file, or the id of a description in the library; false
    // with the reason where it names none.
    bool ChooseSatellite(const QString& text, QString& error);
    // The satellite chosen when the program last ran, built in or described.
    void RestoreSatelliteChoice();
    // The library's folders: the standard ones and those added.
    std::vector<std::string> SatelliteLibraryFolderList() const;
    void AddSatelliteFolder(const QString& folder);
    QStringList RecentDescriptions() const;
    void MenuFileOpenKiss_Click();
    void MnuOpenLog_Click();
    void MnuOpenServerLogfile_Click();
    void MnuOpenText_Click();
    void MnuOpenAny_Click();
    void WriteCSVFile_Click();
    void WriteTLMFile_Click();
    // Any output of the "TLM File" menu, beside the capture read last.
    void WriteOutput_Click(Output kind);
    void Command1_Click();
    void MnuInfo_Click();
    // The chart's context menu: the chart as it shows now, as a PNG file.
    void SaveChartAsPng();
    QMenu* ChartMenu() const { return chartMenu_; }
    // "Time axis" in the chart's menu, "Merge by time, drop duplicates" in "File".
    QAction* TimeAxisAction() const { return timeAxisAction_; }
    QAction* MergeAction() const { return mergeAction_; }
    void HScroll1_Change();
    void Option1_Click(int index);
    // A row of the "Fields" page chosen: the chart shows that field.
    void DescribedField_Click(int row);
    void Check1_Click();
    void SetFieldCaptions();
    // "Go to record...": asks for a record number and shows that record.
    void GoToRecord();
    // "Connect to KISS TNC...": asks where, starts a new data set and shows
    // the records as they arrive; "Disconnect" ends it.
    void ConnectToTnc();
    void DisconnectFromTnc();
    LiveSession* Live() const { return live_.get(); }
    // The live connection's state, below the window.
    QString LiveStatusText() const;

    // The readers' host.
    void BeginFile(std::string_view path, std::size_t index, std::size_t count) override;
    void ShowReadProgress(std::uint64_t bytesRead, std::uint64_t fileSize) override;
    bool CancelRequested() override { return cancel_; }
    void SetBusy(bool busy) override;
    void ProcessPendingEvents() override;
    void AppendDumpLine(std::string_view line) override;
    bool WantsDumpLines() const override { return true; }
    bool AppendDumpFrame(std::uint32_t file, std::uint64_t offset, std::size_t bytes) override;
    void ClearDump() override;
    void ShowProgress(std::int64_t lineNumber) override;
    void RefreshAtEndOfFile() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Left/Right, Page Up/Down (ten records), Home/End step the records
    // wherever the focus is not in a field that takes those keys itself;
    // a double click on the record counter goes to a record.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Capture files dropped onto the window are read as one selection, each
    // with the reader of its kind.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void ConnectControls();
    void ConnectKeys();
    bool StepRecords(int key);
    void OpenCaptureFiles(std::optional<CaptureKind> kind, const std::optional<QStringList>& chosen);
    void ReadList3();
    void SetStatus(const QString& text);
    void ShowImports();
    void ShowPasses();
    void RefreshLive();
    // Double-clicking a pass: the chart on its time axis, zoomed to the pass.
    void ShowPassInChart(int row);
    // Writes the output named after the capture read last with ending, or
    // beside it under another name where that would replace a capture, and
    // tells where it went, for the status box.
    std::string WriteBesideCapture(std::string_view ending, const std::function<void(TextSink&)>& write);
    // The pages and the satellite row for the satellite chosen (built in or
    // described); with reread, the selection is read again for it.
    void ShowSatelliteChoice(bool reread);
    // The chooser's rows: recent descriptions, then the library's.
    std::vector<SatelliteRow> SatelliteRows() const;
    // The "Import" page's warnings of the description chosen and, after a
    // read that stored nothing, the satellites that read the frames instead;
    // returns what the status box should say of them.
    QStringList ShowSatelliteNotes(bool afterRead);
    // The files of the selection and the kind each was read as.
    void SelectionOfList3(std::vector<std::string>& paths, std::vector<std::optional<CaptureKind>>& kinds) const;
    // The button of the built-in satellite of that number.
    QRadioButton* SatelliteButton(int number) const;
    void ShowCurrentRecord();

    Module1& m_;
    QString programFolder_;
    Form1Controls c_;
    std::unique_ptr<FieldChart> chart_;
    std::string decimalMark_;
    std::map<std::optional<CaptureKind>, QAction*> openActions_;
    OpenFileDialog dialog_;
    SaveFileDialog saveDialog_;
    RecordDialog recordDialog_;
    QMenu* chartMenu_ = nullptr;
    QAction* timeAxisAction_ = nullptr;
    QAction* mergeAction_ = nullptr;
    SatelliteChooserDialog chooser_;
    FolderDialog folderDialog_;
    int selectedField_ = 0;
    int describedField_ = 0; // the row of the "Fields" page charted
    // The described satellite whose records the "Fields" page shows, and
    // the reader of their values.
    std::unique_ptr<SatelliteRecords> fieldsPageRecords_;
    std::unique_ptr<RecordReader> recordReader_;
    const DescribedSatellite* recordsOf_ = nullptr;
    std::string imagePath_;
    QAction* connectAction_ = nullptr;
    QAction* disconnectAction_ = nullptr;
    ConnectDialog connectDialog_;
    std::unique_ptr<LiveSession> live_;
    QLabel* liveStatus_ = nullptr;
    QString recording_; // the last live session's recording
    void SetLiveStatus(const QString& text);
    QTimer liveRefresh_;
    std::int64_t shownRecords_ = -1;
    std::vector<Pass> passes_;
    MessageBox message_;
    QPointer<Info> info_;
    bool reading_ = false;
    bool cancel_ = false;
    bool dumpChanged_ = false;
    KissFrameReader frameReader_; // the dump page's frames, read again from their captures
};
