// SPDX-License-Identifier: Apache-2.0
// The browser engine's own share of a batch run, without the component or
// the host: for each device a page loads the raw template, then the print
// file, then prints it to an A4 PDF; as many pages in flight as the batch
// runs devices. batch_bench.sh compares the batch's throughput with it.
//
//   quiravel_engine_loop_bench --jobs N --out DIR FOLDER...
//
// Every "*PRN.HTM" below the folders is a device's print file; its template
// is the "*001.HTM" beside it. Prints "engine_loop: PAGES pages, PDFS PDFs,
// SECONDS s".
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>
#include <deque>
#include <memory>
#include <unistd.h>

namespace {

struct Device
{
    QString templatePath;
    QString printFile;
};

class Slot : public QObject
{
public:
    Slot(QWebEngineProfile *profile, std::deque<Device> &queue, const QString &out, int &running, int &pdfs)
        : m_page(profile, this), m_queue(queue), m_out(out), m_running(running), m_pdfs(pdfs)
    {
        connect(&m_page, &QWebEnginePage::loadFinished, this, &Slot::onLoaded);
        connect(&m_page, &QWebEnginePage::pdfPrintingFinished, this, &Slot::onPrinted);
    }

    void next()
    {
        if (m_queue.empty()) {
            if (--m_running == 0)
                QCoreApplication::quit();
            return;
        }
        m_device = m_queue.front();
        m_queue.pop_front();
        m_stage = 0;
        m_page.load(QUrl::fromLocalFile(m_device.templatePath));
    }

private:
    void onLoaded()
    {
        if (m_stage++ == 0) {
            m_page.load(QUrl::fromLocalFile(m_device.printFile));
            return;
        }
        const QString name = QString::number(++m_number) + QStringLiteral("-") +
                             QString::number(reinterpret_cast<quintptr>(this), 16) + QStringLiteral(".pdf");
        m_page.printToPdf(QDir(m_out).filePath(name),
                          QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    }

    void onPrinted(const QString &, bool ok)
    {
        if (ok)
            ++m_pdfs;
        next();
    }

    QWebEnginePage m_page;
    std::deque<Device> &m_queue;
    QString m_out;
    int &m_running;
    int &m_pdfs;
    Device m_device;
    int m_stage = 0;
    int m_number = 0;
};

} // namespace

int main(int argc, char **argv)
{
    // As the batch does: the engine refuses its sandbox to root.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int jobs = 1;
    QString out;
    std::deque<Device> queue;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QLatin1String("--jobs") && !arguments.isEmpty()) {
            jobs = std::max(1, arguments.takeFirst().toInt());
        } else if (argument == QLatin1String("--out") && !arguments.isEmpty()) {
            out = arguments.takeFirst();
        } else {
            QDirIterator it(argument, {QStringLiteral("*PRN.HTM")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString printFile = it.next();
                const QStringList templates =
                    QDir(QFileInfo(printFile).path()).entryList({QStringLiteral("*001.HTM")}, QDir::Files);
                if (!templates.isEmpty())
                    queue.push_back({QFileInfo(printFile).dir().filePath(templates.first()), printFile});
            }
        }
    }
    if (out.isEmpty() || queue.empty() || !QDir().mkpath(out)) {
        std::fputs("usage: quiravel_engine_loop_bench --jobs N --out DIR FOLDER... (with print files)\n",
                   stderr);
        return 2;
    }

    const auto pages = int(queue.size());
    QElapsedTimer clock;
    clock.start();
    QWebEngineProfile profile;
    int running = std::min(jobs, pages);
    int pdfs = 0;
    std::vector<std::unique_ptr<Slot>> workers;
    for (int i = 0; i < running; ++i)
        workers.push_back(std::make_unique<Slot>(&profile, queue, out, running, pdfs));
    for (const auto &worker : workers)
        worker->next();
    app.exec();
    workers.clear();
    std::printf("engine_loop: %d pages, %d PDFs, %.2f s\n", pages, pdfs, clock.elapsed() / 1000.0);
    return pdfs == pages ? 0 : 1;
}
