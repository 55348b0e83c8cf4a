#include "spheroidtab.h"

#include "entryparams.h"
#include "messages.h"
#include "numtext.h"
#include "registrydialog.h"
#include "ui_spheroidtab.h"
#include "widgets.h"

#include <QAbstractItemDelegate>
#include <QFocusEvent>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

using common::Show_Message;

const QString kSelectAgain =
    QStringLiteral("\nCorrect it on the Spheroid tab, click Edit, then select it again.");

std::string utf8(const QString& s) { return s.toStdString(); }

} // namespace

SpheroidTab::SpheroidTab(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), ui(std::make_unique<Ui::SpheroidTab>()) {
    ui->setupUi(this);
    // A selection loads the entry. Not the current row: the list makes its
    // first row current, unselected, when it merely gains keyboard focus.
    connect(ui->List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!refreshing_ && !ui->List1->selectedItems().isEmpty())
            List1_clicked();
    });
    // A click on the entry already selected loads it again (after Clear
    // details, say); a click that changes the selection is handled above.
    ui->List1->viewport()->installEventFilter(this);
    connect(ui->List1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (ui->List1->row(item) == rowAtPress_)
            List1_clicked();
    });
    connect(ui->txt_cm, &QLineEdit::textChanged, this, &SpheroidTab::txt_cm_changed);
    connect(ui->txt_orig, &QLineEdit::textChanged, this, &SpheroidTab::txt_orig_changed);
    // Every field is the parameter set's text: what is on screen is what
    // the conversions use.
    for (int i = 0; i < numtext::kParamFields; ++i) {
        const auto f = static_cast<catalogue::ParameterSet::Field>(i);
        connect(field(f), &QLineEdit::textChanged, this, [this, f](const QString& text) {
            if (!showing_)
                state_.parameters.setText(f, text);
        });
    }
    connect(&state_.parameters, &catalogue::ParameterSet::changed, this,
            &SpheroidTab::updateButtons);
    showParameters();
    ui->txt_cm->installEventFilter(this);
    connect(ui->SSCommand1, &QPushButton::clicked, this, &SpheroidTab::SSCommand1_clicked);
    connect(ui->SSCommand2, &QPushButton::clicked, this, &SpheroidTab::SSCommand2_clicked);
    connect(ui->SSCommand3, &QPushButton::clicked, this, &SpheroidTab::SSCommand3_clicked);
    connect(ui->SSCommand4, &QPushButton::clicked, this, &SpheroidTab::SSCommand4_clicked);
    connect(ui->SSCommand5, &QPushButton::clicked, this, &SpheroidTab::SSCommand5_clicked);
    connect(ui->cmd_registry, &QPushButton::clicked, this, &SpheroidTab::cmd_registry_clicked);
    chooseFromRegistry = [](QWidget* parent, catalogue::EntryTexts& t) {
        RegistryDialog dialog(parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        t = dialog.entryTexts();
        return true;
    };
}

SpheroidTab::~SpheroidTab() = default;

bool SpheroidTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->txt_cm && event->type() == QEvent::FocusOut) {
        // A context menu or another program taking the keyboard is not the
        // user leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            txt_cm_lostFocus();
    }
    if (watched == ui->List1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto selected = ui->List1->selectedItems();
        rowAtPress_ = selected.isEmpty() ? -1 : ui->List1->row(selected.first());
    }
    return QWidget::eventFilter(watched, event);
}

bool SpheroidTab::store(const std::function<void(catalogue::CatalogueStore&)>& op) {
    catalogue::CatalogueStore cat(state_.DatabasePath);
    try {
        op(cat);
        return true;
    } catch (const catalogue::StoreError& e) {
        if (e.kind() == catalogue::StoreError::Kind::Missing) {
            Show_Message(this, QStringLiteral("Can't find database."), QStringLiteral("Quillmar"));
            if (state_.terminate)
                state_.terminate();
        } else {
            Show_Message(this, e.message());
        }
        return false;
    }
}

bool SpheroidTab::Load() {
    RefreshList();
    return !ui->List1->property("failed").toBool();
}

namespace {

// How many of the longest names are measured for the width of the rows.
constexpr qsizetype kMeasuredNames = 200;

// A list that measures each name before its first paint spends nearly all
// of it shaping text: 90 ms for 10,000 names. Every row is one line of the
// same font, so the list takes one size for all rows (uniform item sizes,
// which Qt reads from one sample row, the last): the widest and tallest of
// the names measured. The widest is
// sought among the longest names, counting wide scripts (from Hangul Jamo
// on: CJK, full-width forms, emoji) twice: with up to kMeasuredNames entries
// that is every name.
void sizeRows(QListWidget* list, const QStringList& names) {
    list->setUniformItemSizes(true);
    if (names.isEmpty())
        return;
    std::vector<std::pair<qsizetype, int>> byLength;
    byLength.reserve(size_t(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        qsizetype length = 0;
        for (QChar c : names[i])
            length += c.unicode() >= 0x1100 ? 2 : 1;
        byLength.emplace_back(length, i);
    }
    const auto measured = byLength.begin() + std::min(kMeasuredNames, names.size());
    std::partial_sort(byLength.begin(), measured, byLength.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.font = list->font();
    option.fontMetrics = QFontMetrics(list->font());
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QSize size;
    for (auto it = byLength.begin(); it != measured; ++it)
        size = size.expandedTo(
            list->itemDelegate()->sizeHint(option, list->model()->index(it->second, 0)));
    list->item(0)->setSizeHint(size);
    list->item(list->count() - 1)->setSizeHint(size);
}

} // namespace

void SpheroidTab::RefreshList() {
    QStringList names;
    const bool ok = store([&](catalogue::CatalogueStore& c) { names = c.ListNames(); });
    ui->List1->setProperty("failed", !ok);
    if (!ok)
        return;
    refreshing_ = true;
    ui->List1->clear();
    ui->List1->addItems(names);
    sizeRows(ui->List1, names);
    ui->List1->setCurrentRow(-1);
    refreshing_ = false;
    updateButtons();
}

QLineEdit* SpheroidTab::field(catalogue::ParameterSet::Field f) const {
    QLineEdit* const fields[] = {ui->txt_name, ui->txt_major, ui->txt_ecc, ui->txt_scale,
                                 ui->txt_fe,   ui->txt_fn,    ui->txt_orig, ui->txt_cm};
    return fields[static_cast<int>(f)];
}

void SpheroidTab::showParameters() {
    showing_ = true;
    for (int i = 0; i < numtext::kParamFields; ++i) {
        const auto f = static_cast<catalogue::ParameterSet::Field>(i);
        if (field(f)->text() != state_.parameters.text(f))
            field(f)->setText(state_.parameters.text(f));
    }
    showing_ = false;
    // The letter fields show upper case; that is the parameter set's text too.
    for (auto f : {catalogue::ParameterSet::Field::Origin, catalogue::ParameterSet::Field::Meridian})
        state_.parameters.setText(f, field(f)->text());
}

void SpheroidTab::ClearFields() {
    state_.parameters.clear();
    showParameters();
}

void SpheroidTab::updateButtons() {
    const QString name = ui->txt_name->text().trimmed();
    bool known = false;
    for (int i = 0; i < ui->List1->count() && !known; ++i)
        known = ui->List1->item(i)->text().trimmed().compare(name, Qt::CaseInsensitive) == 0;
    const bool selected = state_.parameters.selectedRef().has_value();
    ui->SSCommand2->setEnabled(!name.isEmpty() && !known);
    ui->SSCommand3->setEnabled(selected);
    ui->SSCommand4->setEnabled(selected);
}

bool SpheroidTab::selectByName(const QString& name) {
    std::optional<catalogue::Entry> found;
    if (!store([&](catalogue::CatalogueStore& c) { found = c.FindByName(name); }))
        return false;
    if (!found) {
        Show_Message(this, QStringLiteral("\"%1\" is no longer in the catalogue.").arg(name));
        return false;
    }
    state_.parameters.select(*found);
    showParameters();
    return true;
}

void SpheroidTab::List1_clicked() {
    const auto selected = ui->List1->selectedItems();
    if (selected.isEmpty())
        return;
    if (clearDetails_)
        clearDetails_();
    if (!selectByName(selected.first()->text())) {
        // Edit and Delete would act on an entry the user no longer sees.
        state_.parameters.deselect();
        return;
    }
    const numtext::ParameterReading& r = state_.parameters.reading();
    QStringList problems;
    for (const auto& p : r.problems)
        if (!(r.meridianEmpty && p.field == catalogue::ParameterSet::Field::Meridian))
            problems << QString::fromStdString(p.message);
    if (!problems.isEmpty())
        Show_Message(this, catalogue::kNotUsable + problems.join(QLatin1Char('\n')));
    if (r.meridianEmpty) {
        Show_Message(this, catalogue::kEnterMeridian);
        ui->txt_cm->setFocus();
    }
}

void SpheroidTab::txt_cm_changed(const QString& text) { common::ForceUpperCase(ui->txt_cm, text); }

void SpheroidTab::txt_orig_changed(const QString& text) {
    common::ForceUpperCase(ui->txt_orig, text);
}

void SpheroidTab::txt_cm_lostFocus() {
    const QString text = ui->txt_cm->text();
    if (text.trimmed().isEmpty())
        return;
    const auto m = numtext::Read_Meridian(text.toStdString());
    if (!m || !(std::fabs(*m) <= numtext::kMaxMeridian)) {
        // Said once per text: leaving the field again with the same text is
        // not met with the same box (the tabs still refuse to convert).
        if (text == refusedCm_)
            return;
        refusedCm_ = text;
        Show_Message(this, m ? catalogue::kMeridianRange : catalogue::kMeridianFormat);
        ui->txt_cm->setFocus();
        return;
    }
    refusedCm_.clear();
    // Rewritten in the one form every reader takes: "15" is 15 E.
    ui->txt_cm->setText(QString::fromStdString(numtext::Meridian_Text(*m)));
}

void SpheroidTab::startNewEntry() {
    if (clearDetails_)
        clearDetails_();
    // Nothing is selected, so Edit and Delete have nothing to act on.
    refreshing_ = true;
    ui->List1->clearSelection();
    ui->List1->setCurrentRow(-1);
    refreshing_ = false;
    state_.parameters.deselect();
}

void SpheroidTab::SSCommand1_clicked() {
    startNewEntry();
    updateButtons();
}

namespace {

// The first value Save or Edit would refuse, by the rules every reader
// shares; the field to focus comes with it.
std::optional<numtext::ParamProblem> firstProblem(const catalogue::EntryTexts& t) {
    const numtext::ParameterReading r = catalogue::Read_Entry(t, {true, true});
    if (r.problems.empty())
        return std::nullopt;
    return r.problems.front();
}

} // namespace

void SpheroidTab::SSCommand2_clicked() {
    if (numtext::Read_Number(utf8(ui->txt_major->text())) == 0) {
        Show_Message(this, QStringLiteral("Enter semi major axis."), QStringLiteral("True"),
                     common::Buttons::OkCancel);
        ui->txt_major->setFocus();
        return;
    }
    const catalogue::EntryTexts texts = state_.parameters.entryTexts();
    if (const auto p = firstProblem(texts)) {
        Show_Message(this, QString::fromStdString(p->message) + QStringLiteral(" Nothing was saved."));
        field(p->field)->setFocus();
        return;
    }
    qint64 key = 0;
    if (!store([&](catalogue::CatalogueStore& c) { key = c.SaveEntry(c.NextKey(), texts); }))
        return;
    RefreshList();
    // The new entry, last in stored order, is selected and put in force at
    // once, as a click on it would.
    const auto found = ui->List1->findItems(texts.name, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        ui->List1->scrollToItem(found.last());
        ui->List1->setCurrentItem(found.last());
    }
    Q_UNUSED(key);
    updateButtons();
}

void SpheroidTab::SSCommand3_clicked() {
    const auto ref = state_.parameters.selectedRef();
    if (!ref)
        return;
    const catalogue::EntryTexts texts = state_.parameters.entryTexts();
    if (const auto p = firstProblem(texts)) {
        Show_Message(this, QString::fromStdString(p->message) + QStringLiteral(" Nothing was saved."));
        field(p->field)->setFocus();
        return;
    }
    if (!store([&](catalogue::CatalogueStore& c) { c.UpdateEntry(*ref, texts); }))
        return;
    // The edited entry stays selected and in force, under its new name.
    refreshing_ = true;
    RefreshList();
    const auto found = ui->List1->findItems(texts.name, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        ui->List1->scrollToItem(found.first());
        ui->List1->setCurrentItem(found.first());
    }
    refreshing_ = false;
    std::optional<catalogue::Entry> stored;
    if (store([&](catalogue::CatalogueStore& c) {
            for (const catalogue::Entry& e : c.ListEntries())
                if (e.ref == *ref)
                    stored = e;
        }) &&
        stored) {
        state_.parameters.select(*stored);
        showParameters();
    }
    updateButtons();
}

void SpheroidTab::SSCommand4_clicked() {
    const auto ref = state_.parameters.selectedRef();
    if (!ref)
        return;
    const QString name = state_.parameters.selectedName();
    if (!common::Ask_Yes_No(this, QStringLiteral("Delete %1 from the catalogue?").arg(name)))
        return;
    if (!store([&](catalogue::CatalogueStore& c) { c.DeleteEntry(*ref); }))
        return;
    // Nothing is in force after a delete: the deleted values must not go on
    // converting under no name.
    if (clearDetails_)
        clearDetails_();
    else
        ClearFields();
    RefreshList();
    updateButtons();
}

void SpheroidTab::SSCommand5_clicked() { emit closeRequested(); }

void SpheroidTab::cmd_registry_clicked() {
    catalogue::EntryTexts chosen;
    if (!chooseFromRegistry || !chooseFromRegistry(this, chosen))
        return;
    // A new entry, as the registry names it; nothing is written until Save.
    startNewEntry();
    state_.parameters.setNew(chosen);
    showParameters();
    updateButtons();
    if (ui->SSCommand2->isEnabled())
        ui->SSCommand2->setFocus();
}
