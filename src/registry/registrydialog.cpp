#include "registrydialog.h"
#include "ui_registrydialog.h"

#include <QGuiApplication>
#include <QPushButton>

RegistryDialog::RegistryDialog(QWidget* parent, registry::Registry& source)
    : QDialog(parent), source_(source), ui(std::make_unique<Ui::RegistryDialog>()) {
    ui->setupUi(this);
    connect(ui->txt_registry_search, &QLineEdit::textChanged, this,
            &RegistryDialog::txt_registry_search_changed);
    connect(ui->lst_registry, &QListWidget::currentRowChanged, this,
            &RegistryDialog::lst_registry_currentRowChanged);
    connect(ui->lst_registry, &QListWidget::itemDoubleClicked, this,
            &RegistryDialog::lst_registry_doubleClicked);
    connect(ui->btn_registry_box, &QDialogButtonBox::accepted, this,
            &RegistryDialog::btn_registry_box_accepted);
    connect(ui->btn_registry_box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The first use reads the whole registry, which takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    source_.usableCount();
    QGuiApplication::restoreOverrideCursor();
    txt_registry_search_changed(QString());
    ui->txt_registry_search->setFocus();
}

RegistryDialog::~RegistryDialog() = default;

QString RegistryDialog::Item_Text(const registry::Grid& g) {
    return g.code + QStringLiteral("  ") + g.name;
}

void RegistryDialog::txt_registry_search_changed(const QString& text) {
    shown_ = source_.Search(text);
    QStringList items;
    items.reserve(int(shown_.size()));
    for (const registry::Grid& g : shown_)
        items << Item_Text(g);
    ui->lst_registry->setUpdatesEnabled(false);
    ui->lst_registry->clear();
    ui->lst_registry->addItems(items);
    ui->lst_registry->setUpdatesEnabled(true);
    if (!shown_.empty())
        ui->lst_registry->setCurrentRow(0);
    else
        lst_registry_currentRowChanged(-1);

    const QString error = source_.loadError();
    if (!error.isEmpty())
        ui->lbl_registry_count->setText(error);
    else if (shown_.empty())
        ui->lbl_registry_count->setText(QStringLiteral("No usable grid matches."));
    else
        ui->lbl_registry_count->setText(
            QStringLiteral("%1 of %2 usable grids").arg(shown_.size()).arg(source_.usableCount()));
}

void RegistryDialog::lst_registry_currentRowChanged(int row) {
    ui->btn_registry_box->button(QDialogButtonBox::Ok)->setEnabled(row >= 0);
}

void RegistryDialog::lst_registry_doubleClicked(QListWidgetItem* item) {
    if (item)
        btn_registry_box_accepted();
}

void RegistryDialog::btn_registry_box_accepted() {
    const int row = ui->lst_registry->currentRow();
    if (row < 0 || row >= int(shown_.size()))
        return;
    chosen_ = shown_[size_t(row)];
    accept();
}
