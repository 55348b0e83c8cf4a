#include "spheroidtab.h"

#include "messages.h"
#include "numtext.h"
#include "ui_spheroidtab.h"
#include "widgets.h"

#include <QFocusEvent>

#include <optional>

namespace {

using common::Show_Message;

std::string utf8(const QString& s) { return s.toStdString(); }

// Whole degrees and letter from a central-meridian text of two characters
// or more: the degrees are the text before the first blank, or everything
// but the last character; halves round to the even neighbour.
struct Meridian {
    int16_t degrees = 0;
    QString letter;
};
std::optional<Meridian> parseMeridian(const QString& text) {
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString degrees = blank >= 0 ? text.left(blank) : text.left(text.size() - 1).trimmed();
    auto d = numtext::To_Whole_Number(utf8(degrees));
    if (!d)
        return std::nullopt;
    return Meridian{*d, text.right(1).toUpper()};
}

// West negative; -(-32768) does not fit and is refused.
std::optional<int16_t> signedMeridian(const Meridian& m) {
    const int v = m.letter == QLatin1String("W") ? -int(m.degrees) : int(m.degrees);
    if (v < INT16_MIN || v > INT16_MAX)
        return std::nullopt;
    return int16_t(v);
}

const QString kMeridianFormat =
    QStringLiteral("The central meridian must be whole degrees followed by E or W, e.g. 3 W.");

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
    if (watched == ui->txt_cm && event->type() == QEvent::FocusOut)
        txt_cm_lostFocus();
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

void SpheroidTab::RefreshList() {
    QStringList names;
    const bool ok = store([&](catalogue::CatalogueStore& c) { names = c.ListNames(); });
    ui->List1->setProperty("failed", !ok);
    if (!ok)
        return;
    refreshing_ = true;
    ui->List1->clear();
    ui->List1->addItems(names);
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
    if (!store([&](catalogue::CatalogueStore& c) { found = c.FindByName(name); }))
        return;
    if (!found) {
        Show_Message(this, QStringLiteral("\"%1\" is no longer in the catalogue.").arg(name));
        return;
    }
    QStringList problems;
    state_.SelectedRef = found->ref;
    const catalogue::EntryTexts& t = found->texts;
    ui->txt_name->setText(t.name);
    ui->txt_major->setText(t.sma);
    ui->txt_ecc->setText(t.eccentricity);
    ui->txt_scale->setText(t.Scale);
    ui->txt_fe->setText(t.FE);
    ui->txt_fn->setText(t.FN);
    ui->txt_orig->setText(t.Lat);
    if (!t.meridian.isEmpty()) {
        ui->txt_cm->setText(t.meridian);
        const QString cm = ui->txt_cm->text();
        if (cm.size() >= 2) {
            auto m = parseMeridian(cm);
            auto v = m ? signedMeridian(*m) : std::nullopt;
            if (v) {
                state_.central_meridian_letter = m->letter;
                state_.params.central_meridian = *v;
            } else {
                problems << kMeridianFormat;
            }
        }
        const QString orig = ui->txt_orig->text();
        const qsizetype blank = orig.indexOf(QLatin1Char(' '));
        if (blank >= 0) {
            auto lat = numtext::To_Whole_Number(utf8(orig.left(blank)));
            const bool south = orig.endsWith(QLatin1Char('S'));
            if (lat && !(south && *lat == INT16_MIN))
                state_.params.origin_lat = south ? int16_t(-*lat) : *lat;
            else
                problems << QStringLiteral("The latitude of origin must be whole degrees followed "
                                           "by N or S, e.g. 49 N.");
        }
    }
    // "." is the decimal point whatever the locale, so a catalogue reads
    // the same everywhere.
    const std::pair<QLineEdit*, double*> numbers[] = {
        {ui->txt_ecc, &state_.params.ecc_squared},
        {ui->txt_major, &state_.params.major_axis},
        {ui->txt_fn, &state_.params.false_northing},
        {ui->txt_fe, &state_.params.false_easting},
        {ui->txt_scale, &state_.params.scale_factor},
    };
    const QLabel* labels[] = {ui->lbl_ecc1, ui->lbl_major1, ui->lbl_fn1, ui->lbl_fe1,
                              ui->lbl_scale1};
    for (size_t i = 0; i < std::size(numbers); ++i) {
        auto v = numtext::To_Number(utf8(numbers[i].first->text()));
        if (v)
            *numbers[i].second = *v;
        else
            problems << QStringLiteral("%1 is not a number.").arg(labels[i]->text());
    }
    if (!problems.isEmpty())
        Show_Message(this, QStringLiteral("This entry cannot be used for conversions until it is "
                                          "corrected:\n") +
                               problems.join(QLatin1Char('\n')));
    if (ui->txt_cm->text().isEmpty()) {
        Show_Message(this, QStringLiteral("You must now enter the Central Meridian. e.g. 3 W"));
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
    auto m = parseMeridian(text);
    auto v = m ? signedMeridian(*m) : std::nullopt;
    if (!v) {
        Show_Message(this, kMeridianFormat);
        return;
    }
    ui->txt_cm->setText(QString::number(m->degrees) + QLatin1Char(' ') + m->letter);
    state_.central_meridian_letter = m->letter;
    state_.params.central_meridian = *v;
}

void SpheroidTab::SSCommand1_clicked() {
    if (clearDetails_)
        clearDetails_();
}

void SpheroidTab::SSCommand2_clicked() {
    if (numtext::Read_Number(utf8(ui->txt_major->text())) == 0) {
        Show_Message(this, QStringLiteral("Enter semi major axis."), QStringLiteral("True"),
                     common::Buttons::OkCancel);
        ui->txt_major->setFocus();
        return;
    }
    const catalogue::EntryTexts texts = fieldTexts();
    // Refused before a key is taken, so a refused save changes nothing.
    const QString problem = catalogue::CatalogueStore::CheckNumbers(texts);
    if (!problem.isEmpty()) {
        Show_Message(this, problem);
        return;
    }
    qint64 key = 0;
    if (!store([&](catalogue::CatalogueStore& c) { key = c.SaveEntry(c.NextKey(), texts); }))
        return;
    state_.SelectedRef = key;
    RefreshList();
    setButtons(false, false, false);
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
