// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/BatchRun.h"

#include "host/DeviceFile.h"
#include "tools/session/HostSession.h"
#include "tools/session/ScriptedRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(BatchRun)
};

/// A device documented from its values names them and the IODD used.
QString outcomePath(const BatchDevice &device)
{
    if (device.dataPath.isEmpty())
        return device.path;
    return Text::tr("%1 (IODD %2)").arg(device.dataPath, device.path);
}

} // namespace

struct BatchRun::Job
{
    std::size_t index = 0;
    QElapsedTimer clock;
    HostSession session;
    std::unique_ptr<ScriptedRun> script;
    QStringList messages;
    QString pdf;
    bool done = false;
    /// True while the script's start() runs: an upload waits in it while
    /// events are processed, and the job must outlive that wait.
    bool inStart = false;
    bool releaseWhenStarted = false;
};

BatchRun::BatchRun(const BatchOptions &options, QList<BatchDevice> devices, QObject *parent)
    : QObject(parent), m_options(options), m_devices(std::move(devices)), m_outcomes(m_devices.size())
{
    // Worked out once: the queue is searched for a free folder each time a
    // device finishes.
    m_folders.reserve(m_devices.size());
    for (const BatchDevice &device : std::as_const(m_devices))
        m_folders.append(realFolderOf(device.path));

    // With a report the print view is made last, so that it is the page printed.
    if (!m_options.reportCommand.isEmpty() && m_options.sourceCommand.isEmpty())
        m_options.sourceCommand = sourceCommandFor(QStringLiteral("application"));
}

BatchRun::~BatchRun() = default;

void BatchRun::start()
{
    for (std::size_t i = 0; i < std::size_t(m_devices.size()); ++i)
        m_pending.push_back(i);
    // Interrupted before it began: every device is recorded as not done.
    if (m_interrupted) {
        m_interrupted = false;
        interrupt();
        return;
    }
    startMore();
}

void BatchRun::interrupt()
{
    if (m_interrupted)
        return;
    m_interrupted = true;
    const auto notDone = [this](std::size_t index) {
        DeviceOutcome outcome{m_devices.at(qsizetype(index)).path,
                              false,
                              QStringLiteral("interrupted"),
                              0,
                              QString(),
                              QString()};
        outcome.interrupted = true;
        return outcome;
    };
    while (!m_pending.empty()) {
        const std::size_t index = m_pending.front();
        m_pending.pop_front();
        record(index, notDone(index));
    }
    const std::vector<Job *> inFlight = [this] {
        std::vector<Job *> jobs;
        for (const auto &job : m_jobs)
            jobs.push_back(job.get());
        return jobs;
    }();
    for (Job *job : inFlight) {
        if (job->done)
            continue;
        job->done = true;
        DeviceOutcome outcome = notDone(job->index);
        outcome.seconds = job->clock.elapsed() / 1000.0;
        record(job->index, outcome);
        // An upload waiting inside the script's start ends only when its view goes.
        if (job->inStart)
            job->session.destroy();
        QTimer::singleShot(0, this, [this, job] { release(job); });
    }
    if (m_jobs.empty())
        QTimer::singleShot(0, this, &BatchRun::finished);
}

void BatchRun::startMore()
{
    // A device finishing while another starts (an upload waits with events
    // processed) must not start a third inside it.
    if (m_starting)
        return;
    m_starting = true;
    while (!m_interrupted && int(m_jobs.size()) < m_options.jobs && !m_pending.empty()) {
        auto next = std::find_if(m_pending.begin(), m_pending.end(), [this](std::size_t index) {
            return !m_devices.at(qsizetype(index)).error.isEmpty() ||
                   !m_busyFolders.contains(m_folders.at(qsizetype(index)));
        });
        if (next == m_pending.end())
            break;
        const std::size_t index = *next;
        m_pending.erase(next);
        startJob(index);
    }
    m_starting = false;
    if (m_jobs.empty() && m_pending.empty())
        Q_EMIT finished();
}

void BatchRun::startJob(std::size_t index)
{
    const BatchDevice &device = m_devices.at(qsizetype(index));
    if (!device.error.isEmpty()) {
        record(index, {outcomePath(device), false, device.error, 0, QString(), QString()});
        return;
    }

    auto owned = std::make_unique<Job>();
    Job *job = owned.get();
    job->index = index;
    job->clock.start();
    m_jobs.push_back(std::move(owned));
    m_busyFolders.insert(m_folders.at(qsizetype(index)));

    HostSession &session = job->session;
    session.setAnswers(HostSession::Answers::AnswerOk);
    session.setMessageEcho(false);
    connect(&session, &HostSession::messageShown, this, [job](const QString &title, const QString &text) {
        job->messages.append(QStringLiteral("%1: %2").arg(title, text.simplified()));
    });

    DeviceFileError error;
    if (!loadDevice(device.path, device.dataPath, session.model(), &error)) {
        finishJob(job, false, error.toString());
        return;
    }
    if (!device.pdfPath.isEmpty() && !QDir().mkpath(QFileInfo(device.pdfPath).absolutePath())) {
        finishJob(job, false,
                  Text::tr("the folder of the PDF %1 cannot be made")
                      .arg(QDir::toNativeSeparators(device.pdfPath)));
        return;
    }
    QString reason;
    if (FAILED(session.create(&reason))) {
        finishJob(job, false, reason);
        return;
    }

    FrameOptions run;
    run.descriptionPath = device.path;
    run.sourceCommand = m_options.sourceCommand;
    run.reportCommand = m_options.reportCommand;
    run.reportFirst = true;
    run.pdfPath = device.pdfPath;
    run.answerYes = true;
    run.exitWhenShown = true;
    run.headless = true;
    run.timeoutSeconds = m_options.timeoutSeconds;
    job->script = std::make_unique<ScriptedRun>(session, run);
    connect(job->script.get(), &ScriptedRun::resultWritten, this,
            [job](const QString &kind, const QString &path) {
                if (kind == QLatin1String("pdf"))
                    job->pdf = path;
            });
    connect(job->script.get(), &ScriptedRun::finished, this,
            [this, job](int code) { finishJob(job, code == ExitPageShown, job->script->failureReason()); });
    m_toRun.push_back(job);
    scheduleRun();
}

void BatchRun::scheduleRun()
{
    // Started from the event loop, as the frame starts its run.
    if (!m_running && !m_toRun.empty())
        QTimer::singleShot(0, this, &BatchRun::runNext);
}

void BatchRun::runNext()
{
    if (m_running || m_toRun.empty())
        return;
    Job *job = m_toRun.front();
    m_toRun.pop_front();
    m_running = job;
    job->inStart = true;
    job->clock.start();
    job->script->start();
    job->inStart = false;
    m_running = nullptr;
    if (job->releaseWhenStarted)
        release(job);
    scheduleRun();
}

void BatchRun::finishJob(Job *job, bool ok, const QString &reason)
{
    if (job->done)
        return;
    job->done = true;
    QString message = reason;
    for (const QString &line : std::as_const(job->messages)) {
        if (!message.contains(line))
            message += (message.isEmpty() ? QString() : QStringLiteral(" | ")) + line;
    }
    const QString printFile = job->session.printFilePath();
    record(job->index,
           {outcomePath(m_devices.at(qsizetype(job->index))), ok, message, job->clock.elapsed() / 1000.0,
            printFile.isEmpty() || !QFileInfo::exists(printFile) ? QString() : printFile, job->pdf});
    // The job's own code may be below on the stack (this runs from its
    // signals); it goes once control is back in the event loop.
    QTimer::singleShot(0, this, [this, job] { release(job); });
}

void BatchRun::release(Job *job)
{
    if (job->inStart) {
        job->releaseWhenStarted = true;
        return;
    }
    job->session.shutdown();
    m_toRun.erase(std::remove(m_toRun.begin(), m_toRun.end(), job), m_toRun.end());
    m_busyFolders.remove(m_folders.at(qsizetype(job->index)));
    const auto owned =
        std::find_if(m_jobs.begin(), m_jobs.end(), [job](const auto &item) { return item.get() == job; });
    m_jobs.erase(owned);
    startMore();
}

void BatchRun::record(std::size_t index, const DeviceOutcome &outcome)
{
    m_outcomes[qsizetype(index)] = outcome;
    Q_EMIT deviceFinished(outcome);
}
