#include "ui/CaseLogDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "casefile/CaseError.h"
#include "casefile/KeptHead.h"
#include "ui/CustodyLogModel.h"
#include "ui/ResultText.h"
#include "ui/ScreenFit.h"
#include "verification/CaseStore.h"

CaseLogDialog::CaseLogDialog(const CaseStore& store_, QWidget* parent)
    : QDialog(parent), store(store_) {
    setObjectName(QStringLiteral("caseLogDialog"));
    setWindowTitle(tr("Custody log of %1").arg(store.title()));
    resize(1200, 480);
    fitToScreen(*this);
    events = new QTableView(this);
    events->setModel(new CustodyLogModel(store.events(), events));
    events->verticalHeader()->hide();
    events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    events->setSelectionBehavior(QAbstractItemView::SelectRows);
    events->setWordWrap(false);
    // Fitted to the rows a screen shows and some beyond (the header's
    // precision), not to every one of a large log.
    events->resizeColumnsToContents();
    // The style sheet pads the header beyond what its size hint counts.
    for (int column = 0; column < events->model()->columnCount(); ++column) {
        events->setColumnWidth(column, events->columnWidth(column) + 16);
    }
    events->horizontalHeader()->setStretchLastSection(true);

    const ChainHead head = store.head();
    result = new QLabel(QString::fromStdString(headText(head)), this);
    result->setObjectName(QStringLiteral("checkResult"));
    result->setTextFormat(Qt::PlainText);
    result->setWordWrap(true);
    result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* const buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    check = buttons->addButton(tr("Check log"), QDialogButtonBox::ActionRole);
    check->setObjectName(QStringLiteral("checkLogButton"));
    connect(check, &QPushButton::clicked, this, &CaseLogDialog::checkLog);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(events, 1);
    layout->addWidget(result);
    layout->addWidget(buttons);
}

CaseLogDialog::~CaseLogDialog() {
    if (checker) {
        checker->wait();
    }
}

void CaseLogDialog::checkLog() {
    if (checker) {
        return;
    }
    audit.reset();
    failure.clear();
    check->setEnabled(false);
    result->setText(tr("Checking the log..."));
    const std::string path = store.fileBytes();
    checker.reset(QThread::create([this, path] {
        try {
            audit = CaseStore::auditFile(path);
        } catch (const CaseError& error) {
            failure = error.what();
        }
    }));
    connect(checker.get(), &QThread::finished, this, &CaseLogDialog::showCheck);
    checker->start();
}

void CaseLogDialog::showCheck() {
    checker->wait();
    checker.reset();
    check->setEnabled(true);
    // The same check and the same sentences as telvar-verify --audit.
    if (!audit) {
        result->setText(tr("The log cannot be checked: %1").arg(textOf(failure)));
    } else if (audit->intact()) {
        QString text = tr("Custody log intact: %1 events; SHA-256 of the newest %2")
                           .arg(audit->events)
                           .arg(QString::fromStdString(audit->head));
        // Who sealed what, and what no seal covers, as --audit says it.
        for (const std::string& line : sealLines(*audit)) {
            text += QLatin1Char('\n') + textOf(line);
        }
        result->setText(text);
    } else {
        result->setText(tr("Custody log broken at event %1: %2")
                            .arg(*audit->brokenEvent)
                            .arg(textOf(audit->problem)));
        const int row = static_cast<int>(*audit->brokenEvent - 1);
        if (row >= 0 && row < events->model()->rowCount()) {
            events->selectRow(row);
            events->scrollTo(events->model()->index(row, 0));
        }
    }
    emit checked();
}

#include "moc_CaseLogDialog.cpp"
