#include "parameterset.h"

namespace catalogue {

namespace {

numtext::ParameterTexts toTexts(const QString (&t)[numtext::kParamFields]) {
    numtext::ParameterTexts r;
    for (int i = 0; i < numtext::kParamFields; ++i)
        r.text[size_t(i)] = t[i].toStdString();
    return r;
}

void fromEntry(const EntryTexts& e, QString (&t)[numtext::kParamFields]) {
    const QString* const in[] = {&e.name, &e.sma, &e.eccentricity, &e.Scale,
                                 &e.FE,   &e.FN,  &e.Lat,          &e.meridian};
    for (int i = 0; i < numtext::kParamFields; ++i)
        t[i] = *in[i];
}

} // namespace

numtext::ParameterReading Read_Entry(const EntryTexts& e, numtext::ReadOptions options) {
    QString t[numtext::kParamFields];
    fromEntry(e, t);
    return numtext::Read_Parameters(toTexts(t), options);
}

ParameterSet::ParameterSet(QObject* parent) : QObject(parent) { update(); }

EntryTexts ParameterSet::entryTexts() const {
    return {texts_[0], texts_[1], texts_[2], texts_[3], texts_[4], texts_[5], texts_[6], texts_[7]};
}

void ParameterSet::setText(Field f, const QString& text) {
    QString& t = texts_[static_cast<int>(f)];
    if (t == text)
        return;
    t = text;
    update();
}

void ParameterSet::select(const Entry& entry) {
    selected_ = entry;
    fromEntry(entry.texts, texts_);
    update();
}

void ParameterSet::deselect() {
    if (!selected_)
        return;
    selected_.reset();
    update();
}

void ParameterSet::clear() {
    selected_.reset();
    for (QString& t : texts_)
        t.clear();
    update();
}

void ParameterSet::setNew(const EntryTexts& t) {
    selected_.reset();
    fromEntry(t, texts_);
    update();
}

bool ParameterSet::differsFromSelected() const {
    if (!selected_)
        return false;
    if (texts_[0].trimmed() != selected_->texts.name.trimmed())
        return true;
    const numtext::ReadOptions o{false, true};
    const numtext::ParameterReading stored = Read_Entry(selected_->texts, o);
    const numtext::ParameterReading shown = numtext::Read_Parameters(toTexts(texts_), o);
    if (stored.values && shown.values)
        return !(*stored.values == *shown.values) || stored.meridianEmpty != shown.meridianEmpty;
    const EntryTexts now = entryTexts();
    return now.sma != selected_->texts.sma || now.eccentricity != selected_->texts.eccentricity ||
           now.Scale != selected_->texts.Scale || now.FE != selected_->texts.FE ||
           now.FN != selected_->texts.FN || now.Lat.toUpper() != selected_->texts.Lat.toUpper() ||
           now.meridian.toUpper() != selected_->texts.meridian.toUpper();
}

QString ParameterSet::problem() const {
    if (reading_.meridianEmpty || reading_.problems.empty())
        return {};
    return QString::fromStdString(reading_.problems.front().message);
}

void ParameterSet::update() {
    reading_ = numtext::Read_Parameters(toTexts(texts_), {false, false});
    inForce_ = {};
    if (reading_.meridianEmpty) {
        inForce_.status = convert::Status::SelectSpheroid;
    } else if (!reading_.values) {
        inForce_.status = convert::Status::Unusable;
        inForce_.problem = reading_.problems.front().message;
    } else {
        const numtext::ParameterNumbers& n = *reading_.values;
        inForce_ = convert::Make_In_Force({n.a, n.e2, n.k0, n.fe, n.fn, n.lat0, n.lon0});
    }
    emit changed();
}

QString ParameterSet::statusLine() const {
    QString text;
    if (selected_)
        text = QStringLiteral("Parameter set: ") + selected_->texts.name +
               (differsFromSelected() ? QStringLiteral(" (changed, not saved)") : QString());
    else if (reading_.meridianEmpty)
        text = QStringLiteral("Parameter set: none selected");
    else
        text = QStringLiteral("Parameter set: typed by hand, not saved");
    if (!reading_.meridianEmpty && !inForce_.projection)
        text += QStringLiteral(" (cannot be used)");
    return text;
}

} // namespace catalogue
