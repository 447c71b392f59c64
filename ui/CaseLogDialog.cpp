#include "ui/CaseLogDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "casefile/CaseError.h"
#include "report/Escape.h"
#include "verification/CaseStore.h"

namespace {

// Text from the case is data: shown in its display form, never as markup.
QString shown(const std::string& bytes) {
    return QString::fromStdString(displayText(bytes));
}

}  // namespace

CaseLogDialog::CaseLogDialog(const CaseStore& store_, QWidget* parent)
    : QDialog(parent), store(store_) {
    setObjectName(QStringLiteral("caseLogDialog"));
    setWindowTitle(tr("Custody log of %1").arg(store.title()));
    resize(1200, 480);
    const std::vector<CustodyEvent> log = store.events();
    events = new QTableWidget(static_cast<int>(log.size()), 7, this);
    events->setHorizontalHeaderLabels({tr("#"), tr("Time (UTC)"), tr("Examiner"), tr("Event"),
                                       tr("Recording"), tr("Detail"), tr("SHA-256")});
    events->verticalHeader()->hide();
    events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    events->setSelectionBehavior(QAbstractItemView::SelectRows);
    events->setWordWrap(false);
    int row = 0;
    for (const CustodyEvent& event : log) {
        const QStringList cells = {QString::number(event.seq),
                                   shown(event.at),
                                   shown(event.actor.examiner),
                                   QString::fromLatin1(eventKindCode(event.kind)),
                                   shown(event.path),
                                   shown(event.detail),
                                   shown(event.sha256.value_or(std::string()))};
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            auto* const item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            events->setItem(row, column, item);
        }
        ++row;
    }
    events->resizeColumnsToContents();
    // The style sheet pads the header beyond what its size hint counts.
    for (int column = 0; column < events->columnCount(); ++column) {
        events->setColumnWidth(column, events->columnWidth(column) + 16);
    }
    events->horizontalHeader()->setStretchLastSection(true);

    const ChainHead head = store.head();
    result = new QLabel(tr("%1 events; SHA-256 of the newest %2")
                            .arg(head.events)
                            .arg(QString::fromStdString(head.hash)),
                        this);
    result->setObjectName(QStringLiteral("checkResult"));
    result->setTextFormat(Qt::PlainText);
    result->setWordWrap(true);
    result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* const buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* const check = buttons->addButton(tr("Check log"), QDialogButtonBox::ActionRole);
    check->setObjectName(QStringLiteral("checkLogButton"));
    connect(check, &QPushButton::clicked, this, &CaseLogDialog::checkLog);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(events, 1);
    layout->addWidget(result);
    layout->addWidget(buttons);
}

void CaseLogDialog::checkLog() {
    // The same check and the same sentences as telvar-verify --audit.
    AuditResult audit;
    try {
        audit = store.audit();
    } catch (const CaseError& error) {
        result->setText(tr("The log cannot be checked: %1").arg(shown(error.what())));
        return;
    }
    if (audit.intact()) {
        result->setText(tr("Custody log intact: %1 events; SHA-256 of the newest %2")
                            .arg(audit.events)
                            .arg(QString::fromStdString(audit.head)));
        return;
    }
    result->setText(tr("Custody log broken at event %1: %2")
                        .arg(*audit.brokenEvent)
                        .arg(shown(audit.problem)));
    const int row = static_cast<int>(*audit.brokenEvent - 1);
    if (row >= 0 && row < events->rowCount()) {
        events->selectRow(row);
        events->scrollToItem(events->item(row, 0));
    }
}
