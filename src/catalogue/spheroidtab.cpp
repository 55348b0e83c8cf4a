#include "spheroidtab.h"

#include "entryparams.h"
#include "messages.h"
#include "numtext.h"
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
    ui->txt_cm->installEventFilter(this);
    connect(ui->SSCommand1, &QPushButton::clicked, this, &SpheroidTab::SSCommand1_clicked);
    connect(ui->SSCommand2, &QPushButton::clicked, this, &SpheroidTab::SSCommand2_clicked);
    connect(ui->SSCommand3, &QPushButton::clicked, this, &SpheroidTab::SSCommand3_clicked);
    connect(ui->SSCommand4, &QPushButton::clicked, this, &SpheroidTab::SSCommand4_clicked);
    connect(ui->SSCommand5, &QPushButton::clicked, this, &SpheroidTab::SSCommand5_clicked);
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
}

void SpheroidTab::ClearFields() {
    for (QLineEdit* f : {ui->txt_name, ui->txt_major, ui->txt_ecc, ui->txt_scale, ui->txt_fe,
                         ui->txt_fn, ui->txt_orig, ui->txt_cm})
        f->setText(QString());
}

catalogue::EntryTexts SpheroidTab::fieldTexts() const {
    return {ui->txt_name->text(), ui->txt_major->text(), ui->txt_ecc->text(),
            ui->txt_scale->text(), ui->txt_fe->text(),    ui->txt_fn->text(),
            ui->txt_orig->text(),  ui->txt_cm->text()};
}

void SpheroidTab::setButtons(bool save, bool edit, bool del) {
    ui->SSCommand2->setEnabled(save);
    ui->SSCommand3->setEnabled(edit);
    ui->SSCommand4->setEnabled(del);
}

void SpheroidTab::List1_clicked() {
    const auto selected = ui->List1->selectedItems();
    if (selected.isEmpty())
        return;
    QListWidgetItem* item = selected.first();
    if (clearDetails_)
        clearDetails_();
    const QString name = item->text();
    std::optional<catalogue::Entry> found;
    // Edit and Delete would act on the entry shown before, which the user
    // no longer sees.
    if (!store([&](catalogue::CatalogueStore& c) { found = c.FindByName(name); })) {
        setButtons(ui->SSCommand2->isEnabled(), false, false);
        return;
    }
    if (!found) {
        Show_Message(this, QStringLiteral("\"%1\" is no longer in the catalogue.").arg(name));
        setButtons(ui->SSCommand2->isEnabled(), false, false);
        return;
    }
    state_.SelectedRef = found->ref;
    const catalogue::EntryTexts& t = found->texts;
    state_.active_name = t.name;
    ui->txt_name->setText(t.name);
    ui->txt_major->setText(t.sma);
    ui->txt_ecc->setText(t.eccentricity);
    ui->txt_scale->setText(t.Scale);
    ui->txt_fe->setText(t.FE);
    ui->txt_fn->setText(t.FN);
    ui->txt_orig->setText(t.Lat);
    if (!t.meridian.isEmpty())
        ui->txt_cm->setText(t.meridian);
    // The same reading of an entry as the command-line tool's.
    const catalogue::Selection sel = catalogue::Select_Entry(t, state_.params);
    state_.params = sel.params;
    if (!sel.cm_letter.isEmpty())
        state_.central_meridian_letter = sel.cm_letter;
    state_.meridian_problem = sel.meridian_unread ? catalogue::kMeridianFormat : QString();
    state_.entry_problems = sel.problems;
    if (sel.meridian_unread)
        state_.entry_problems.removeOne(catalogue::kMeridianFormat);
    if (!sel.problems.isEmpty())
        Show_Message(this, catalogue::kNotUsable + sel.problems.join(QLatin1Char('\n')));
    if (ui->txt_cm->text().isEmpty()) {
        Show_Message(this, catalogue::kEnterMeridian);
        ui->txt_cm->setFocus();
    }
    setButtons(false, true, true);
}

void SpheroidTab::txt_cm_changed(const QString& text) {
    if (common::ForceUpperCase(ui->txt_cm, text))
        return; // the change comes round again in upper case
    state_.central_meridian_text = text;
}

void SpheroidTab::txt_orig_changed(const QString& text) {
    common::ForceUpperCase(ui->txt_orig, text);
}

void SpheroidTab::txt_cm_lostFocus() {
    const QString text = state_.central_meridian_text;
    if (text.size() < 2)
        return;
    const auto m = catalogue::Read_Meridian(text);
    if (!m) {
        // The meridian in force is no longer the one shown.
        state_.meridian_problem = catalogue::kMeridianFormat;
        Show_Message(this, catalogue::kMeridianFormat);
        return;
    }
    const QString letter = QString::fromStdString(m->letter);
    ui->txt_cm->setText(QString::number(static_cast<int>(m->degrees)) + QLatin1Char(' ') + letter);
    state_.central_meridian_letter = letter;
    state_.params.central_meridian = static_cast<int16_t>(m->value);
    state_.meridian_problem.clear();
}

QString SpheroidTab::Unusable() const {
    if (!state_.entry_problems.isEmpty())
        return catalogue::kNotUsable + state_.entry_problems.join(QLatin1Char('\n')) +
               kSelectAgain;
    return state_.meridian_problem;
}

void SpheroidTab::SSCommand1_clicked() {
    if (clearDetails_)
        clearDetails_();
    // A new entry starts here: nothing is selected, so Edit and Delete have
    // nothing to act on, and Save is offered instead of overwriting the
    // entry shown before.
    refreshing_ = true;
    ui->List1->clearSelection();
    ui->List1->setCurrentRow(-1);
    refreshing_ = false;
    state_.SelectedRef.reset();
    state_.entry_problems.clear();
    setButtons(true, false, false);
}

void SpheroidTab::SSCommand2_clicked() {
    if (numtext::Read_Number(utf8(ui->txt_major->text())) == 0) {
        Show_Message(this, QStringLiteral("Enter semi major axis."), QStringLiteral("True"),
                     common::Buttons::OkCancel);
        ui->txt_major->setFocus();
        return;
    }
    const catalogue::EntryTexts texts = fieldTexts();
    // The store refuses texts that are not numbers, after it has found the
    // file; a refused save changes nothing, not even SelectedRef.
    qint64 key = 0;
    if (!store([&](catalogue::CatalogueStore& c) { key = c.SaveEntry(c.NextKey(), texts); }))
        return;
    state_.SelectedRef = key;
    RefreshList();
    setButtons(false, false, false);
    // The new entry, last in stored order, is selected and put in force at
    // once, as a click on it would.
    const auto found = ui->List1->findItems(texts.name, Qt::MatchFixedString);
    if (!found.isEmpty()) {
        ui->List1->scrollToItem(found.last());
        ui->List1->setCurrentItem(found.last());
    }
}

void SpheroidTab::SSCommand3_clicked() {
    if (!state_.SelectedRef)
        return;
    const catalogue::EntryTexts texts = fieldTexts();
    const qint64 key = *state_.SelectedRef;
    if (!store([&](catalogue::CatalogueStore& c) { c.UpdateEntry(key, texts); }))
        return;
    ClearFields();
    setButtons(false, false, false);
    // A renamed entry must show its new name, or selecting the old one
    // finds nothing.
    RefreshList();
}

void SpheroidTab::SSCommand4_clicked() {
    if (!state_.SelectedRef)
        return;
    const qint64 key = *state_.SelectedRef;
    if (!store([&](catalogue::CatalogueStore& c) { c.DeleteEntry(key); }))
        return;
    RefreshList();
    setButtons(false, false, false);
}

void SpheroidTab::SSCommand5_clicked() { emit closeRequested(); }
