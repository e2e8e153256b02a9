// SPDX-License-Identifier: GPL-3.0-or-later
// What the window writes: the CSV file and the TLM report beside the capture,
// the picture of the window, the chart as a picture.
#include "form1.h"

#include "fields/fieldcatalogue.h"
#include "output/csvfile.h"
#include "output/outputfile.h"
#include "output/outputguard.h"
#include "output/tlmreport.h"
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

void Form1::WriteBesideCapture(const char* ending, const std::function<void(TextSink&)>& write)
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
    SetStatus(QString::fromLocal8Bit(result.Message.c_str()));
}

void Form1::WriteCSVFile_Click()
{
    if (m_.CurrentFileName.empty()) {
        SetStatus(QStringLiteral("no input file"));
        return;
    }
    // The built-in beacon's captions as the window shows them.
    FieldCaptions captions;
    for (int i = 0; i < FieldCount; ++i)
        captions[static_cast<std::size_t>(i)]
            = c_.Option1[static_cast<std::size_t>(i)]->text().toLatin1().toStdString();
    WriteBesideCapture(".csv", [&](TextSink& sink) { WriteCsv(sink, m_, decimalMark_, &captions); });
}

void Form1::WriteTLMFile_Click()
{
    if (m_.CurrentFileName.empty()) {
        SetStatus(QStringLiteral("no input file"));
        return;
    }
    // The record on display; the built-in beacon's as its boxes show it, even
    // where the captures hold none.
    const std::int64_t n = c_.HScroll1->value();
    if (m_.Described && (n < 1 || n > m_.RecordCount)) {
        SetStatus(QStringLiteral("no record to report"));
        return;
    }
    FieldRowTexts rows;
    for (int i = 0; i < FieldCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        rows.Caption[k] = c_.Option1[k]->text().toLatin1().toStdString();
        rows.Unit[k] = c_.Label2[k]->text().toLatin1().toStdString();
        rows.Value[k] = c_.Text1[k]->text().toUtf8().toStdString(); // as the value texts were made
    }
    WriteBesideCapture(".tlm", [&](TextSink& sink) { WriteTlm(sink, m_, n, decimalMark_, &rows); });
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
