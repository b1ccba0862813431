// SPDX-License-Identifier: Apache-2.0
// Runs many devices through the print view component in one process: each
// device gets its own in-memory host, component instance and window, a
// number of them in flight at once, and everything of a finished device is
// released before the next one starts in its place.
#pragma once

#include "tools/batch/BatchOptions.h"
#include "tools/batch/DeviceList.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <deque>
#include <memory>

/// What became of one device.
struct DeviceOutcome
{
    QString path;
    bool ok = false;
    /// The reason of a failure, and the messages the component raised
    /// (answered with OK) that the reason does not already name.
    QString message;
    double seconds = 0;
    QString printFile; ///< the print file generated; empty when none was
    QString pdf;       ///< the PDF written; empty when none was
    /// Not done because the run was interrupted (ok is false).
    bool interrupted = false;
};

class BatchRun : public QObject
{
    Q_OBJECT
public:
    BatchRun(const BatchOptions &options, QList<BatchDevice> devices, QObject *parent = nullptr);
    ~BatchRun() override;

    /// Starts the first devices; the rest follow as devices finish.
    void start();
    /// Ends the run early: the devices in flight are stopped, those not yet
    /// started are not started, and all of them count as interrupted;
    /// finished() follows once everything in flight is released.
    void interrupt();
    int total() const { return int(m_devices.size()); }
    /// In the order of the devices given; complete once finished() was signalled.
    const QList<DeviceOutcome> &outcomes() const { return m_outcomes; }

Q_SIGNALS:
    void deviceFinished(const DeviceOutcome &outcome);
    /// Every device has finished.
    void finished();

private:
    struct Job;

    void startMore();
    void startJob(std::size_t index);
    void scheduleRun();
    void runNext();
    void finishJob(Job *job, bool ok, const QString &reason);
    void release(Job *job);
    void record(std::size_t index, const DeviceOutcome &outcome);

    BatchOptions m_options;
    QList<BatchDevice> m_devices;
    QStringList m_folders; ///< each device's absolute folder, by index
    std::deque<std::size_t> m_pending;
    std::vector<std::unique_ptr<Job>> m_jobs;
    /// Devices of one folder share its print files (and report); one of
    /// them at a time may write and show them.
    QSet<QString> m_busyFolders;
    QList<DeviceOutcome> m_outcomes;
    bool m_starting = false;
    bool m_interrupted = false;
    /// Jobs set up, waiting for their run to start. A run's upload waits in
    /// a loop of its own with events processed; a second run started in it
    /// would be stuck under it until it returned, a hanging device holding
    /// up a healthy one. So one run at a time is in its start, and a device
    /// waiting here has not started its clock.
    std::deque<Job *> m_toRun;
    Job *m_running = nullptr;
};
