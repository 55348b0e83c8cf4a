// Chooses a usable grid of the registry by words of its name or its code.
// The dialog only reads: the caller decides what to do with the entry.
#pragma once

#include "registry.h"

#include <QDialog>

#include <memory>
#include <vector>

class QListWidgetItem;

namespace Ui {
class RegistryDialog;
}

class RegistryDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RegistryDialog(QWidget* parent = nullptr,
                            registry::Registry& source = registry::Registry::Instance());
    ~RegistryDialog() override;

    // The chosen grid after the dialog was accepted (usable); otherwise empty.
    const registry::Grid& grid() const { return chosen_; }
    // Its eight texts, as a new catalogue entry would hold them.
    catalogue::EntryTexts entryTexts() const { return chosen_.texts; }

    // "EPSG:2157  IRENET95 / Irish Transverse Mercator".
    static QString Item_Text(const registry::Grid& g);

    // Handlers, named after control and event.
    void txt_registry_search_changed(const QString& text);
    void lst_registry_currentRowChanged(int row);
    void lst_registry_doubleClicked(QListWidgetItem* item);
    void btn_registry_box_accepted();

  private:
    registry::Registry& source_;
    std::unique_ptr<Ui::RegistryDialog> ui;
    std::vector<registry::Grid> shown_;
    registry::Grid chosen_;
};
