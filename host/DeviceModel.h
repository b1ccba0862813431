// SPDX-License-Identifier: Apache-2.0
// The reference host's in-memory device: what a device description file and
// the device's data sets hold, and the three host objects that answer the
// component's calls on them (AppItemManager, AppDeviceDescription,
// AppFunctionControl), with a log of every call and fault injection.
//
// Names of items, device entries, settings, sections, objects and
// enumerations are matched without regard to case.
#pragma once

#include "contract/HostContract.h"
#include "contract/KQApplet.h"
#include "platform/ComPtr.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

struct ObjectDefinition
{
    QString typeName; ///< first output of GetObjectDefinition
    std::int32_t size = 0;
    std::int32_t flags = 0;
    std::int32_t kind = 0; ///< 4 = enumeration
    QString enumerationName;
};

struct EnumerationDefinition
{
    QList<QPair<std::int32_t, QString>> entries; ///< in order; values may repeat
    std::int32_t lowerBound = 0;                 ///< index bound handed out with the array
};

/// One host call as the component made it.
struct HostCall
{
    QString operation; ///< e.g. "OpenItem"
    QString arguments; ///< readable, e.g. "\"VENDOR\", shadow=0, view=7"
    std::int32_t error = 0;
    HRESULT status = S_OK;
    std::int32_t itemHandle = 0; ///< the handle OpenItem issued or CloseItem was given; 0 for other calls
};

class DeviceModel : public QObject
{
    Q_OBJECT
public:
    /// Item names the host answers besides the data items, and the one
    /// function it starts.
    static inline const QString kConnectItem = QString::fromLatin1(HostContract::kConnectItem);
    static inline const QString kFileNameItem = QString::fromLatin1(HostContract::kDatabaseFileNameItem);
    static inline const QString kKqdPathItem = QString::fromLatin1(HostContract::kDescriptionPathItem);
    static inline const QString kUploadItem = QString::fromLatin1(HostContract::kUploadProgressItem);
    static inline const QString kUploadFunction = QString::fromLatin1(HostContract::kUploadFunction);

    explicit DeviceModel(QObject *parent = nullptr);
    ~DeviceModel() override;

    // --- The device description ---
    void setDeviceEntry(const QString &key, const QString &value);
    void removeDeviceEntry(const QString &key);
    void setSettingEntry(const QString &key, const QString &value);
    void removeSettingEntry(const QString &key);
    /// Appends `name` to the "Object" section and defines it (section "OBJECT").
    void addObject(const QString &name, const ObjectDefinition &definition = {});
    /// Appends `name` to the "Object" section without a definition.
    void addObjectName(const QString &name);
    /// Defines an object that the "Object" section may or may not list.
    void defineObject(const QString &name, const ObjectDefinition &definition);
    void defineEnumeration(const QString &name, const EnumerationDefinition &enumeration);
    /// What GetItemString hands out for a data item instead of its stored
    /// value: called with the item's name, its stored value (null when the
    /// set has none) and a reader of other items' values in the same data
    /// set; answers nothing to hand out the stored value. For descriptions
    /// whose values need turning into display texts (scaling, units).
    using DisplayText = std::function<std::optional<QString>(
        const QString &item, const QString *stored, const std::function<QString(const QString &)> &valueOf)>;
    /// `extraItems` names items that exist without a value in any data set
    /// (texts the display works out, such as units).
    void setDisplayText(DisplayText display, std::function<bool(QStringView item)> extraItems = {});
    /// The description file's full path, answered as "&&private_PM&&KQDPath";
    /// empty = the item does not exist.
    void setDescriptionPath(const QString &path);
    QString descriptionPath() const;

    // --- The data sets ---
    /// An item of the application data set (also makes it known to the host).
    void setApplicationValue(const QString &item, const QString &value);
    void setShadowValue(const QString &item, const QString &value);
    /// What the simulated device holds: an upload copies it into the shadow
    /// and the application data sets.
    void setDeviceValue(const QString &item, const QString &value);
    /// Current value in the application (shadow false) or shadow data set.
    QString value(const QString &item, bool shadow) const;
    bool hasItem(const QString &item) const;

    // --- Database ---
    /// The database LoadDatabase loads; an empty path or unreadable file
    /// makes LoadDatabase answer error flag 1.
    void setDatabase(const QString &path, const QList<QPair<QString, QString>> &values);
    /// Loader used for the database file instead of `values` (the frame's
    /// file format); answers false, with the reason in `*error`, when the
    /// file cannot be used.
    void setDatabaseLoader(
        std::function<bool(const QString &path, QList<QPair<QString, QString>> *values, QString *error)>
            loader);
    /// Why the last LoadDatabase answered an error flag; empty after a success.
    QString databaseError() const;

    // --- The simulated device ---
    void setConnected(bool connected);
    bool isConnected() const;
    /// Duration of an upload; progress goes to 100 in steps, each reported
    /// through View::NotifyChanged on the attached view. 0 = the upload
    /// finishes (and reports 100) on the next turn of the event loop.
    void setUploadMilliseconds(int ms);
    /// Sets the progress item directly (e.g. 50 = an upload already running).
    void setUploadProgress(std::int32_t progress);
    std::int32_t uploadProgress() const;
    /// Runs the upload's next progress steps at once up to `progress`.
    void advanceUpload(std::int32_t progress);
    bool uploadRunning() const;

    // --- Host objects ---
    /// The item manager handed to the component (a new reference).
    ComPtr<AppItemManager> itemManager();
    /// The view uploads report to (NotifyChanged); the model holds a reference.
    void attachView(View *view);
    /// How many host objects (item managers, descriptions, function controls)
    /// are alive now: every reference the component took must be released.
    int liveObjects() const;
    /// liveObjects() and the ones kept for reuse: every host object that
    /// exists, as the module's object count sees them.
    int existingObjects() const;
    /// How often ReleaseView was called.
    int releaseViewCount() const;

    // --- Call log and fault injection ---
    /// What becomes of the host calls.
    enum class CallLog {
        Off,       ///< nothing: calls cost no formatting of their arguments (the default)
        Signalled, ///< each call is described and signalled through called(), and not kept
        Kept,      ///< as Signalled, and calls() keeps every one (for tests: it grows with the work)
    };
    void setCallLog(CallLog mode);
    CallLog callLog() const;
    /// Signals calls from now on, keeping them if they are kept already: for
    /// a listener added beside whoever set the mode.
    void signalCalls();
    /// setCallLog(Kept) or setCallLog(Off).
    void setCallLogEnabled(bool enabled);
    /// The calls kept since the log was set to Kept or cleared.
    QList<HostCall> calls() const;
    void clearCalls();
    /// Operations named are answered with `status` (a failure) without doing anything.
    void failOperation(const QString &operation, HRESULT status);
    /// Operations named answer error flag `flag` (non-zero) without doing anything.
    void setErrorFlag(const QString &operation, std::int32_t flag);
    /// Operations named that hand out an object (GetDeviceDescription,
    /// GetFunctionControl, GetEnumerationEntries' array) answer success with none.
    void answerNull(const QString &operation);
    /// Operations named answer success with every text they hand out empty.
    void answerEmpty(const QString &operation);
    void clearFaults();

Q_SIGNALS:
    /// Every host call while the call log is not Off.
    void called(const HostCall &call);
    void uploadProgressChanged(std::int32_t progress);
    /// LoadDatabase answered an error flag; `reason` is databaseError().
    void databaseLoadFailed(const QString &reason);
    /// The component gave its view back (ReleaseView), whether or not calls are logged.
    void viewReleased();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
