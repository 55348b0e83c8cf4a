// The parameter set in force: the eight texts the Spheroid tab shows, what
// they read as, the entry they were selected from, and the projection built
// from them. The Spheroid tab edits it; every working tab, report and the
// parameter line read it, and empty their results when it changes.
#pragma once

#include "conversions.h"
#include "paramtext.h"
#include "store.h"

#include <QObject>
#include <QString>

#include <optional>

namespace catalogue {

class ParameterSet : public QObject {
    Q_OBJECT
  public:
    explicit ParameterSet(QObject* parent = nullptr);

    using Field = numtext::ParamField;

    QString text(Field f) const { return texts_[static_cast<int>(f)]; }
    // The eight texts as a catalogue entry holds them.
    EntryTexts entryTexts() const;

    // Each emits changed() once, and only when something changed.
    void setText(Field f, const QString& text);
    void select(const Entry& entry); // the entry's texts, and it is selected
    void deselect();                 // nothing selected; the texts stay
    void clear();                    // texts emptied, nothing selected
    void setNew(const EntryTexts& t); // a new entry's texts, nothing selected

    std::optional<qint64> selectedRef() const { return selected_ ? std::optional(selected_->ref) : std::nullopt; }
    QString selectedName() const { return selected_ ? selected_->texts.name : QString(); }
    // Whether the texts differ from the selected entry's: values that read
    // are compared as numbers, so "1.0" for a stored "1" is no change.
    bool differsFromSelected() const;

    // The seven values as every conversion reads them (the name is not
    // needed to convert).
    const numtext::ParameterReading& reading() const { return reading_; }
    const convert::InForce& inForce() const { return inForce_; }
    // The first problem of the reading; empty when the set can be used or
    // when no central meridian is given.
    QString problem() const;

    // "Parameter set: ..." as the working tabs show it.
    QString statusLine() const;

  signals:
    void changed();

  private:
    void update();

    QString texts_[numtext::kParamFields];
    std::optional<Entry> selected_;
    numtext::ParameterReading reading_;
    convert::InForce inForce_;
};

// Reads eight texts by the rules every reader of a parameter set shares.
numtext::ParameterReading Read_Entry(const EntryTexts& t, numtext::ReadOptions options);

} // namespace catalogue
