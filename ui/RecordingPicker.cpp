#include "ui/RecordingPicker.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

#include "ui/RecordingDrop.h"
#include "ui/ResultText.h"
#include "ui/ScreenFit.h"
#include "verification/PathBytes.h"

namespace {

constexpr int kPathRole = Qt::UserRole;  // the entry's path, by its bytes
constexpr int kFolderRole = Qt::UserRole + 1;

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
    return (folder.endsWith('/') ? folder : folder + '/') + name;
}

// The folder chosen last, for the next time the dialog opens.
QString& lastFolder() {
    static QString folder;
    return folder;
}

}  // namespace

FolderEntries listFolder(const QByteArray& folder) {
    FolderEntries entries;
    DIR* const dir = ::opendir(folder.constData());
    if (dir == nullptr) {
        entries.error = QString::fromLocal8Bit(std::strerror(errno));
        return entries;
    }
    std::vector<QByteArray> names;
    while (const dirent* const entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith('.')) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        // Links are followed, as a file dialog does; what is neither a
        // folder nor a recording is not offered.
        struct stat target {};
        if (::stat(joined(folder, name).constData(), &target) != 0) {
            continue;
        }
        if (S_ISDIR(target.st_mode)) {
            entries.folders.push_back(name);
        } else if (isRecordingName(pathFromBytes(name))) {
            entries.recordings.push_back(name);
        }
    }
    return entries;
}

RecordingPicker::RecordingPicker(const QString& folder, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Add Recordings"));
    place = new QLineEdit(this);
    place->setAccessibleName(tr("Folder"));
    auto* const up = new QToolButton(this);
    up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up->setToolTip(tr("Up one folder"));
    up->setAccessibleName(tr("Up one folder"));
    list = new QListWidget(this);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setAccessibleName(tr("Folders and recordings"));
    status = new QLabel(this);
    status->setWordWrap(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Open)->setText(tr("Add"));

    auto* const top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Look in:"), this));
    top->addWidget(place, 1);
    top->addWidget(up);
    auto* const layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    layout->addWidget(status);
    layout->addWidget(buttons);

    // A typed folder is taken as UTF-8 text; one shown from the listing
    // keeps its bytes in shownFolder.
    connect(place, &QLineEdit::returnPressed, this,
            [this] { openFolder(absolutePath(QDir::fromNativeSeparators(place->text()))); });
    connect(up, &QToolButton::clicked, this, &RecordingPicker::goUp);
    connect(list, &QListWidget::itemActivated, this, &RecordingPicker::openItem);
    connect(buttons, &QDialogButtonBox::accepted, this, &RecordingPicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 420);
    fitToScreen(*this);
    openFolder(folder.isEmpty() ? QDir::homePath() : folder);
}

RecordingPicker::~RecordingPicker() {
    for (QThread* const reader : findChildren<QThread*>(QString(), Qt::FindDirectChildrenOnly)) {
        reader->wait();
    }
}

void RecordingPicker::openFolder(const QString& folder) {
    shownFolder = folder;
    place->setText(shownText(folder));
    list->clear();
    status->setText(tr("Listing the folder..."));
    const int request = ++requests;
    const QByteArray bytes = pathBytes(folder);
    // Read off the window's thread, which never waits on the disk: a folder
    // left before its listing came is not waited for, its listing dropped.
    // The dialog outlives its readers (see the destructor), and a queued
    // call to a destroyed dialog is dropped.
    QThread* const reader = QThread::create([this, request, bytes] {
        const FolderEntries found = listFolder(bytes);
        QMetaObject::invokeMethod(
            this, [this, request, bytes, found] { listed(request, bytes, found); },
            Qt::QueuedConnection);
    });
    reader->setParent(this);
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    reader->start();
}

void RecordingPicker::listed(int request, const QByteArray& folder, const FolderEntries& found) {
    if (request != requests) {
        return;
    }
    answered = request;
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    const auto add = [&](const QByteArray& name, bool isFolder) {
        // The name in its display form (a byte that is not UTF-8 as \xNN);
        // the path keeps the bytes.
        auto* const item =
            new QListWidgetItem(isFolder ? folderIcon : fileIcon, textOf(name), list);
        item->setData(kPathRole, pathFromBytes(joined(folder, name)));
        item->setData(kFolderRole, isFolder);
    };
    for (const QByteArray& name : found.folders) {
        add(name, true);
    }
    for (const QByteArray& name : found.recordings) {
        add(name, false);
    }
    if (!found.error.isEmpty()) {
        status->setText(tr("This folder cannot be read: %1").arg(found.error));
    } else if (found.recordings.empty()) {
        status->setText(tr("No recordings (.mkv) in this folder."));
    } else {
        status->setText(
            found.recordings.size() == 1
                ? tr("1 recording.")
                : tr("%1 recordings.").arg(static_cast<qulonglong>(found.recordings.size())));
    }
    if (list->count() > 0) {
        list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    }
}

void RecordingPicker::openItem(QListWidgetItem* item) {
    if (item->data(kFolderRole).toBool()) {
        openFolder(item->data(kPathRole).toString());
    } else {
        accept();
    }
}

void RecordingPicker::goUp() {
    const QByteArray bytes = pathBytes(shownFolder);
    const int slash = static_cast<int>(bytes.lastIndexOf('/'));
    openFolder(pathFromBytes(slash <= 0 ? QByteArray("/") : bytes.left(slash)));
}

QStringList RecordingPicker::selectedPaths() const {
    QStringList paths;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* const item = list->item(row);
        if (item->isSelected() && !item->data(kFolderRole).toBool()) {
            paths << item->data(kPathRole).toString();
        }
    }
    return paths;
}

void RecordingPicker::accept() {
    // A folder chosen alone is opened, as a file dialog does.
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    if (selectedPaths().isEmpty()) {
        if (chosen.size() == 1) {
            openFolder(chosen.front()->data(kPathRole).toString());
        }
        return;
    }
    lastFolder() = shownFolder;
    QDialog::accept();
}

QStringList RecordingPicker::getRecordings(QWidget* parent) {
    RecordingPicker picker(lastFolder(), parent);
    return picker.exec() == QDialog::Accepted ? picker.selectedPaths() : QStringList();
}

#include "moc_RecordingPicker.cpp"
