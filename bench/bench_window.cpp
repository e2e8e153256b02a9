// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the main window, offscreen: opening a large KISS capture through
// the window beside the headless read of the same file, redrawing the chart
// of 100,000 records, and moving the record chooser.
//   build/bench/norvane-bench-window [--benchmark_filter=Chart]

#include "app/form1.h"
#include "describe/describedsatellite.h"
#include "tools/capturegen.h"
#include "tools/frameencoders.h"
#include "ui/fieldchart.h"
#include "ui/windowlayout.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTcpServer>
#include <QTcpSocket>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A capture of beacons, each after a time frame (50,000 beacons: 100,000
// frames), and the noise frames the readers drop; made once per size.
std::string KissCapture(std::int64_t beacons)
{
    const auto p
        = std::filesystem::temp_directory_path() / ("norvane-bench-window-" + std::to_string(beacons) + ".kss");
    if (!std::filesystem::exists(p)) {
        CaptureOptions o;
        o.Packets = beacons;
        std::ofstream(p, std::ios::binary) << GenerateCapture(o).Bytes;
    }
    return p.string();
}

// Opening the capture through the window's KISS command: the longest time the
// window went without handling its events, and the whole open beside the
// headless read of the same file.
void BM_WindowOpenKiss(benchmark::State& state)
{
    const std::string path = KissCapture(state.range(0));
    double headless = 0;
    double window = 0;
    double longestGap = 0;
    for (auto _ : state) {
        {
            Module1 m;
            ReaderHost host;
            const auto t0 = Clock::now();
            ReadKissFile(m, host, path);
            headless += Seconds(Clock::now() - t0);
        }
        Module1 m;
        Form1 form(m, QDir::tempPath());
        auto last = Clock::now();
        form.OnPendingEvents = [&] {
            const auto now = Clock::now();
            longestGap = std::max(longestGap, Seconds(now - last));
            last = now;
        };
        const auto t0 = Clock::now();
        last = t0;
        form.OpenSelection(CaptureKind::Kiss, {QString::fromStdString(path)});
        const auto t1 = Clock::now();
        longestGap = std::max(longestGap, Seconds(t1 - last));
        window += Seconds(t1 - t0);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["headless_ms"] = 1000 * headless / n;
    state.counters["window_ms"] = 1000 * window / n;
    state.counters["limit_ms"] = 1000 * (2 * headless / n + 1);
    state.counters["longest_gap_ms"] = 1000 * longestGap;
}
// 100,000 and 1,000,000 frames.
BENCHMARK(BM_WindowOpenKiss)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WindowOpenKiss)->Arg(500000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// A data set of 100,000 records of each kind, each with a time text of its own.
void FillRecords(Module1& m, std::int64_t n)
{
    std::array<std::uint8_t, 106> bytes{};
    for (std::int64_t i = 1; i <= n; ++i) {
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<std::uint8_t>(i * 37 + static_cast<std::int64_t>(b) * 11);
        const std::string time = "2016-03-17 " + std::to_string(10 + i / 3600 % 10) + ":"
            + std::to_string(10 + i / 60 % 50) + ":" + std::to_string(10 + i % 50) + " UTC";
        // Passes of 600 records, a beacon every 10 s, six hours apart.
        const Instant at = 1458209700000 + (i / 600) * 21600000 + (i % 600) * 10000;
        m.Table.StorePacket(1, i, bytes.data(), {at, 0, 0, 1}, time);
        m.Table.StorePacket(2, i, bytes.data(), {at + 5000, 0, 0, 1}, time);
    }
    m.RecordCount = n;
    m.Packet2Count = n;
}

void BM_ChartRedraw(benchmark::State& state)
{
    Module1 m;
    FillRecords(m, state.range(0));
    Form1 form(m, QDir::tempPath());
    bool bars = true;
    for (auto _ : state) {
        form.Chart().Draw(m, 5, bars);
        bars = !bars;
    }
}
BENCHMARK(BM_ChartRedraw)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the time axis, for a million records in passes: the line
// breaks between them.
void BM_ChartRedrawTimeAxis(benchmark::State& state)
{
    Module1 m;
    FillRecords(m, state.range(0));
    Form1 form(m, QDir::tempPath());
    form.Chart().SetTimeAxis(true);
    bool bars = true;
    for (auto _ : state) {
        form.Chart().Draw(m, 5, bars);
        bars = !bars;
    }
}
BENCHMARK(BM_ChartRedrawTimeAxis)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Zooming and panning the rows of a 100,000-record chart, as the mouse wheel
// and a drag do: each step draws the chart again.
void BM_ChartZoomPan(benchmark::State& state)
{
    Module1 m;
    FillRecords(m, 100000);
    Form1 form(m, QDir::tempPath());
    form.Chart().Draw(m, 5, true);
    QCustomPlot* plot = form.Controls().MSChart1;
    int step = 0;
    for (auto _ : state) {
        if (step % 20 < 10)
            plot->xAxis->scaleRange(step % 20 < 5 ? 0.85 : 1 / 0.85, plot->xAxis->range().center());
        else
            plot->xAxis->moveRange(step % 20 < 15 ? 500 : -500);
        plot->replot();
        ++step;
    }
}
BENCHMARK(BM_ChartZoomPan)->Unit(benchmark::kMillisecond)->UseRealTime();

// Moving the record chooser shows another record: counter, 105 boxes, label.
void BM_ScrollToRecord(benchmark::State& state)
{
    Module1 m;
    FillRecords(m, 100000);
    Form1 form(m, QDir::tempPath());
    form.RefreshAtEndOfFile();
    QScrollBar* scroll = form.Controls().HScroll1;
    scroll->setMaximum(100000);
    int value = 1;
    for (auto _ : state) {
        value = value % 99991 + 7919;
        scroll->setValue(value);
    }
}
BENCHMARK(BM_ScrollToRecord)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same for a described satellite: a thousand records of the beacon's
// description (samples/qb50.ksy: about fifty fields a record, the "Fields"
// page's rows), each step reading a frame with it. Target: under 5 ms.
void BM_ScrollDescribedRecords(benchmark::State& state)
{
    Module1 m;
    Form1 form(m, QDir::tempPath());
    form.SetMessageBox([](QWidget*, const QString&) {});
    form.ChooseDescription(QStringLiteral(NORVANE_SAMPLES_DIR "/qb50.ksy"));
    CaptureOptions o;
    o.Packets = 1000;
    o.Noise = false;
    const auto path = std::filesystem::temp_directory_path() / "norvane-bench-window-described.kss";
    std::ofstream(path, std::ios::binary) << GenerateCapture(o).Bytes;
    form.OpenSelection(CaptureKind::Kiss, {QString::fromStdString(path.string())});
    QScrollBar* scroll = form.Controls().HScroll1;
    int value = 1;
    for (auto _ : state) {
        value = value % 997 + 1;
        scroll->setValue(value);
    }
    state.counters["records"] = static_cast<double>(m.RecordCount);
    state.counters["fields"] = static_cast<double>(m.Described->FieldCount());
}
BENCHMARK(BM_ScrollDescribedRecords)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Live reception over loopback with the window showing it: frames a second
// from a KISS server that sends as fast as it can, and the time from a
// single frame's sending to its record in the store.
void BM_LiveLoopback(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    std::string bytes;
    for (int i = 0; i < frames; ++i)
        AppendKissFrame(bytes, FullFrame(1, MakeBeacon(1 + i % 2, 1, i, 1)));
    std::string one;
    AppendKissFrame(one, FullFrame(1, MakeBeacon(1, 1, frames, 1)));
    double perSecond = 0;
    double latencyMs = 0;
    for (auto _ : state) {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        QTcpSocket* client = nullptr;
        QObject::connect(&server, &QTcpServer::newConnection, [&] { client = server.nextPendingConnection(); });
        Module1 m;
        Form1 form(m, QDir::tempPath());
        form.SetConnectDialog([&](QWidget*, const LiveSettings&) {
            return std::optional<LiveSettings>(LiveSettings{QStringLiteral("127.0.0.1"), server.serverPort(), {}});
        });
        form.ConnectToTnc();
        while (!client)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const auto start = std::chrono::steady_clock::now();
        client->write(bytes.data(), static_cast<qint64>(bytes.size()));
        while (m.RecordCount + m.Packet2Count < frames)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        perSecond = frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto sent = std::chrono::steady_clock::now();
        client->write(one.data(), static_cast<qint64>(one.size()));
        client->flush();
        while (m.RecordCount + m.Packet2Count < frames + 1)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        latencyMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
        form.DisconnectFromTnc();
    }
    state.counters["frames/s"] = perSecond;
    state.counters["latency_ms"] = latencyMs;
}
BENCHMARK(BM_LiveLoopback)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
