// SPDX-License-Identifier: Apache-2.0
// The registry's locked transactions. Each change is made under an exclusive
// lock on "<file>.lock" beside the file, on the file as it is then, in a
// copy of its parse that commit() writes whole. A transaction is this
// thread's: another thread's changes wait for its lock as another process's
// do.
#include "Registry_p.h"

#include "SafeFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using RegFile::Document;
using namespace Registry::Internal;

namespace {

// A change waits this long for another process's change to end, unless
// $QUIRAVEL_REGISTRY_LOCK_WAIT gives other seconds.
constexpr int kLockWaitMs = 10000;

/// A file descriptor closed with its owner.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

} // namespace

namespace Registry {

struct TransactionState
{
    QString path;
    FileDescriptor lock; ///< "<file>.lock", locked while the transaction lives
    Qt::HANDLE thread = nullptr;
    std::optional<Document> document;
    bool changed = false;
    bool joined = false;
    bool active = false;
    std::int32_t status = ERROR_SUCCESS;
    QString error;
    int lockWaitMs = lockWait();
    int waitedBeforeMs = 0;
};

} // namespace Registry

namespace {

using Registry::TransactionState;

/// The transaction open on some thread of this process, if any.
struct ActiveTransaction
{
    QMutex mutex;
    TransactionState *state = nullptr;
};

ActiveTransaction &activeTransaction()
{
    static ActiveTransaction active;
    return active;
}

TransactionState *transactionOfThisThread()
{
    ActiveTransaction &active = activeTransaction();
    QMutexLocker lock(&active.mutex);
    return active.state && active.state->thread == QThread::currentThreadId() ? active.state : nullptr;
}

/// This thread's changes no longer go to the transaction's document.
void deactivate(TransactionState *d)
{
    if (!d->active)
        return;
    ActiveTransaction &active = activeTransaction();
    QMutexLocker lock(&active.mutex);
    active.state = nullptr;
    d->active = false;
}

/// Takes the lock and reads the file for a transaction of its own.
void begin(TransactionState *d)
{
    d->path = Registry::filePath();
    const auto fail = [&](std::int32_t status, const QString &cause) {
        d->status = status;
        d->error = d->path + QStringLiteral(": ") + cause;
    };
    const QString folder = QFileInfo(d->path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("cannot create its folder %1").arg(folder));
    // A device, FIFO or folder at the name is refused before its lock file
    // would be made beside it (as "/dev/zero.lock").
    struct stat named;
    if (::stat(QFile::encodeName(d->path).constData(), &named) == 0 && !S_ISREG(named.st_mode)) {
        Loaded refused = load(d->path);
        d->status = refused.status;
        d->error = refused.error;
        return;
    }
    const QString lockPath = d->path + QStringLiteral(".lock");
    d->lock.reset(
        ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!d->lock.isOpen())
        return fail(statusOf(errno),
                    QStringLiteral("cannot open its lock file %1: %2").arg(lockPath, systemError(errno)));
    // Waits in short steps, so that a holder that never lets go fails this
    // change instead of hanging the process.
    QElapsedTimer clock;
    clock.start();
    for (int step = 1; ::flock(d->lock.get(), LOCK_EX | LOCK_NB) != 0; step = std::min(step * 2, 50)) {
        const qint64 waited = clock.elapsed();
        if (errno != EWOULDBLOCK && errno != EINTR)
            return fail(ERROR_LOCK_VIOLATION,
                        QStringLiteral("cannot lock %1: %2").arg(lockPath, systemError(errno)));
        if (waited >= d->lockWaitMs)
            return fail(
                ERROR_LOCK_VIOLATION,
                QStringLiteral("another process holds its lock %1 (waited %2 s)")
                    .arg(lockPath, QString::number(double(waited + d->waitedBeforeMs) / 1000, 'f', 1)));
        ::usleep(useconds_t(step) * 1000);
    }
    Loaded loaded = load(d->path);
    if (!loaded.document) {
        d->status = loaded.status;
        d->error = loaded.error;
        return;
    }
    d->document = ownCopy(std::move(loaded.document));
    ActiveTransaction &active = activeTransaction();
    QMutexLocker lock(&active.mutex);
    if (!active.state) {
        active.state = d;
        d->active = true;
    }
}

/// The system will not let anyone replace the file, which it says only when
/// the file is replaced; its flags tell beforehand.
bool isFixed(const QString &path)
{
    const FileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    int flags = 0;
    return file.isOpen() && ::ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
}

} // namespace

namespace Registry {

int lockWait()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("QUIRAVEL_REGISTRY_LOCK_WAIT").toDouble(&ok);
    return ok && seconds >= 0 && seconds < 86400 ? int(seconds * 1000) : kLockWaitMs;
}

QString writeProblem(int lockWaitMs, int waitedBeforeMs)
{
    TransactionState state;
    state.lockWaitMs = lockWaitMs;
    state.waitedBeforeMs = waitedBeforeMs;
    begin(&state);
    const auto release = qScopeGuard([&] { deactivate(&state); });
    if (state.status != ERROR_SUCCESS || !state.document)
        return state.error;
    const QString path = filePath();
    if (isFixed(path))
        return path + QStringLiteral(": cannot replace it: ") + systemError(EPERM) +
               QStringLiteral(" (the file is marked immutable or append-only)");
    // A file as large as the registry with room for a registration shows a
    // full disk or a size limit, and leaves nothing.
    SafeFileWriter probe;
    if (!probe.create(QFileInfo(path).absolutePath() + QStringLiteral("/.registry-probe")))
        return path + QStringLiteral(": cannot create a new file in its folder: ") + probe.errorString();
    const QByteArray bytes = state.document->serialize() + QByteArray(64 * 1024, ' ');
    if (!probe.write(bytes.constData(), bytes.size()) || ::fsync(probe.handle()) != 0) {
        const int cause = probe.systemError() ? probe.systemError() : errno;
        return path + QStringLiteral(": cannot write it: ") + systemError(cause);
    }
    return {};
}

Transaction::Transaction() : d(std::make_unique<TransactionState>())
{
    d->thread = QThread::currentThreadId();
    if (transactionOfThisThread())
        d->joined = true;
    else
        begin(d.get());
}

// The lock goes with `d`, only after this thread's changes no longer go to
// the document.
Transaction::~Transaction()
{
    deactivate(d.get());
}

bool Transaction::isValid() const
{
    if (d->joined)
        return true;
    return d->status == ERROR_SUCCESS && d->document.has_value() && d->lock.isOpen();
}

std::int32_t Transaction::status() const
{
    return d->status;
}

QString Transaction::errorString() const
{
    return d->error;
}

bool Transaction::commit()
{
    if (d->joined)
        return true;
    if (!isValid())
        return false;
    if (d->changed) {
        const QByteArray bytes = d->document->serialize();
        if (!replaceFile(d->path, bytes, &d->status, &d->error))
            return false;
        remember(d->path, bytes, std::make_shared<Document>(std::move(*d->document)));
    }
    deactivate(d.get());
    d->document.reset();
    d->changed = false;
    d->lock.reset();
    return true;
}

} // namespace Registry

namespace Registry::Internal {

View currentView()
{
    if (TransactionState *transaction = transactionOfThisThread())
        return {nullptr, &*transaction->document, ERROR_SUCCESS};
    Loaded loaded = load(filePath());
    const Document *document = loaded.document.get();
    return {std::move(loaded.document), document, loaded.status};
}

std::int32_t change(const std::function<std::int32_t(Document &)> &apply)
{
    Transaction transaction;
    if (!transaction.isValid())
        return transaction.status();
    TransactionState *state = transactionOfThisThread();
    if (!state)
        return ERROR_REGISTRY_IO_FAILED;
    const std::int32_t status = apply(*state->document);
    if (status != ERROR_SUCCESS)
        return status;
    state->changed = true;
    return transaction.commit() ? ERROR_SUCCESS : transaction.status();
}

} // namespace Registry::Internal
