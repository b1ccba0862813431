// SPDX-License-Identifier: Apache-2.0
// The devices a batch documents: descriptions given directly, found in
// folders, or named by list files, each with the PDF path it gets.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct BatchDevice
{
    /// The description as found: the input, the folder joined with the path
    /// below it, or the list entry resolved against the list's folder.
    QString path;
    /// DIR/<path relative to the deepest folder that holds every input's
    /// folder (a list's: the list's folder), with .pdf>; empty without a PDF
    /// directory.
    QString pdfPath;
    /// Why the device cannot be run (an unreadable list, a folder without
    /// descriptions, a PDF path another device has); empty when it can.
    QString error;
    /// The device's values, for a device documented from an IODD library
    /// (the description is then the IODD found for them); empty otherwise.
    QString dataPath = {};
};

/// The devices of every input in order (a folder's sorted by path); "@-"
/// reads a list from standard input, its entries relative to the current
/// folder. Inputs
/// that yield no device become one entry with an error, as do devices whose
/// PDF path an earlier one already has.
QList<BatchDevice> collectDevices(const QStringList &inputs, const QString &pdfDirectory);

/// The folder whose print files a description's page uses, as the system
/// resolves it: descriptions reached through different links to one folder
/// have the same.
QString realFolderOf(const QString &descriptionPath);
