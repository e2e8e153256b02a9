// SPDX-License-Identifier: GPL-3.0-or-later
// What the window writes: the outputs of its "TLM File" menu beside the
// capture, the picture of the window, the chart as a picture.
#include "form1.h"

#include "fields/fieldcatalogue.h"
#include "output/outputfile.h"
#include "output/outputguard.h"
#include "ui/fieldchart.h"
#include "ui/latin1.h"
#include "ui/windowpicture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

std::string Form1::WriteBesideCapture(std::string_view ending, const std::function<void(TextSink&)>& write)
{
    // Never over a file of the data set or another capture: a SatNOGS export
    // "pass.csv" would be its own CSV's name.
    std::vector<std::string> read;
    for (const ImportSummary& import : m_.Imports)
        read.push_back(import.File);
    const std::string wanted = OutputFileName(m_.CurrentFileName, ending);
    const std::string path = FreeOutputName(wanted, ending, read);
    WriteResult result = WriteOutputFile(path, write);
    if (result.Ok && path != wanted)
        result.Message += " (" + wanted + " is a capture and was left as it is)";
    return result.Message;
}

void Form1::WriteCSVFile_Click() { WriteOutput_Click(Output::Csv); }

void Form1::WriteTLMFile_Click() { WriteOutput_Click(Output::Tlm); }

void Form1::WriteOutput_Click(Output kind)
{
    if (m_.CurrentFileName.empty()) {
        SetStatus(QStringLiteral("no input file"));
        return;
    }
    // The built-in beacon's field rows as the window shows them: the CSV's
    // captions, and the report's texts of the record on display.
    FieldCaptions captions;
    FieldRowTexts rows;
    for (int i = 0; i < FieldCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        captions[k] = rows.Caption[k] = c_.Option1[k]->text().toLatin1().toStdString();
        rows.Unit[k] = c_.Label2[k]->text().toLatin1().toStdString();
        rows.Value[k] = c_.Text1[k]->text().toUtf8().toStdString(); // as the value texts were made
    }
    OutputRun run{m_, decimalMark_, c_.HScroll1->value(), &captions, &rows};
    const OutputFormat& format = OutputFormatOf(kind);
    if (format.Refuse)
        if (const auto refused = format.Refuse(run)) {
            SetStatus(QString::fromStdString(*refused));
            return;
        }
    std::string said = WriteBesideCapture(format.Ending, [&](TextSink& sink) { format.Write(sink, run); });
    if (run.LeftOut > 0)
        said += "; " + Counted(run.LeftOut, "packet", "packets") + " without a time left out";
    SetStatus(QString::fromLocal8Bit(said.c_str()));
}

void Form1::Command1_Click()
{
    // The picture shows the window without its two small controls.
    c_.Check1->hide();
    c_.Command1->hide();
    QCoreApplication::processEvents();
    const QPixmap client = centralWidget()->grab();
    c_.Picture2->setPixmap(client);
    c_.Check1->show();
    c_.Command1->show();

    const QImage picture = client.toImage();
    const QString bitmap = QString::fromLocal8Bit(PictureFileName(imagePath_, m_.CurrentFileName, ".bmp").c_str());
    if (const auto error = SaveImageFile(picture, bitmap, "BMP")) {
        SetStatus(*error);
        return;
    }
    SetStatus(bitmap + QStringLiteral(" saved"));

    const QString png = QString::fromLocal8Bit(PictureFileName(imagePath_, m_.CurrentFileName, ".png").c_str());
    const auto error = SaveImageFile(ToPalettePicture(picture, WindowGrey.rgb()), png, "PNG");
    SetStatus(error ? *error : png + QStringLiteral(" converted and saved"));
}

void Form1::SaveChartAsPng()
{
    // The capture's name and the field's: "pass Batt volts.png".
    const QString field = Latin1(FieldCaption(selectedField_));
    QString suggested = field + QStringLiteral(".png");
    if (!m_.CurrentFileName.empty())
        suggested
            = QString::fromLocal8Bit(OutputFileName(m_.CurrentFileName, "").c_str()) + QLatin1Char(' ') + suggested;
    const QString path = saveDialog_(this, suggested);
    if (path.isEmpty())
        return;
    const auto error = SaveImageFile(chart_->PictureWithTitle(), path, "PNG");
    SetStatus(error ? *error : path + QStringLiteral(" saved"));
}
