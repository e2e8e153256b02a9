#pragma once

#include "app/filedialog.h"
#include "input/capturereaders.h"
#include "input/readerhost.h"
#include "telemetry/module1.h"
#include "ui/windowlayout.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class FieldChart;
class Info;
class QAction;

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

    Form1Controls& Controls() { return c_; }
    FieldChart& Chart() { return *chart_; }
    QAction* OpenAction(CaptureKind kind) const { return openActions_.at(kind); }
    QAction* Action(const char* name) const;
    bool IsReading() const { return reading_; }
    // The information window while it is open.
    Info* InfoWindow() const;

    // Runs an open command with these files as its selection, as if the
    // dialog had returned them.
    void OpenSelection(CaptureKind kind, const QStringList& paths);

    // Called each time the window handles its pending events while reading.
    std::function<void()> OnPendingEvents;

    // The window's event handlers.
    void Form_Load();
    void Form_Resize();
    void QB50P1_Click();
    void QB50P2_Click();
    void MenuFileOpenKiss_Click();
    void MnuOpenLog_Click();
    void MnuOpenServerLogfile_Click();
    void MnuOpenText_Click();
    void WriteCSVFile_Click();
    void WriteTLMFile_Click();
    void Command1_Click();
    void MnuInfo_Click();
    void HScroll1_Change();
    void Option1_Click(int index);
    void Check1_Click();
    void SetFieldCaptions();

    // The readers' host.
    void BeginFile(std::string_view path) override;
    void SetBusy(bool busy) override;
    void ProcessPendingEvents() override;
    void AppendDumpLine(std::string_view line) override;
    void ClearDump() override;
    void ShowProgress(std::int64_t lineNumber) override;
    void RefreshAtEndOfFile() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    void ConnectControls();
    void OpenCaptureFiles(CaptureKind kind, const std::optional<QStringList>& chosen);
    void ReadList3(CaptureKind kind);
    void SetStatus(const QString& text);
    std::string OutputPath(const char* ending) const;

    Module1& m_;
    QString programFolder_;
    Form1Controls c_;
    std::unique_ptr<FieldChart> chart_;
    std::string decimalMark_;
    std::map<CaptureKind, QAction*> openActions_;
    OpenFileDialog dialog_;
    MessageBox message_;
    QPointer<Info> info_;
    bool reading_ = false;
    bool dumpChanged_ = false;
};
