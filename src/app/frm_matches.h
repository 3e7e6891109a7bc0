#pragma once

#include <QDialog>
#include <functional>

#include "workflow/cd_lookup.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kalvex {

// "CD Matches": the user picks one of the albums a query named. Each row
// carries its index in the match list as item data. OK reads the chosen
// album while the dialog is still on screen and closes it afterwards; Cancel,
// Escape and the window's close button read nothing.
class frmMatches : public QDialog, public MatchChooser {
    Q_OBJECT
public:
    explicit frmMatches(QWidget* parent = nullptr);

    void ChooseMatch(const std::vector<std::string>& rows,
                     const std::function<void(int)>& load_match) override;

    QLabel* lblInfo = nullptr;
    QListWidget* lstMatches = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

public slots:
    void reject() override;

private:
    void FillList(const std::vector<std::string>& rows);
    void OnOk();

    std::function<void(int)> load_match_;
    // True while OK's read runs: events are processed meanwhile, and a second
    // OK or a cancel must not act on a dialog that is busy.
    bool loading_ = false;
};

}  // namespace kalvex
