#pragma once

#include <string>
#include <utility>
#include <vector>

#include "workflow/tag_editor.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kalvex {

// The two tag pages as a view of the tag editor: what the user types goes
// into the editor before it saves or copies, and what the editor holds is
// shown after it loads or copies. The two tag boxes under the pages
// ("ID3 v1 tag", "ID3 v2 tag") belong to the window and are passed in.
class TagEditorPanel {
public:
    TagEditorPanel(QFrame* v1_page, QFrame* v2_page, QCheckBox* version1, QCheckBox* version2);

    TagEditor& Editor() { return editor_; }
    // Reads the file and shows its tags.
    void LoadAndShow(const std::string& path);
    // Saves what the pages show into the file.
    FileResult Save(const std::string& path);
    // The editor's fields into the controls, and back.
    void ShowFields();
    void ReadFields();

    QLineEdit* v1Artist = nullptr;
    QLineEdit* v1Album = nullptr;
    QLineEdit* v1Title = nullptr;
    QLineEdit* v1TNR = nullptr;
    QLineEdit* v1Year = nullptr;
    QComboBox* v1Genre = nullptr;
    QLineEdit* v1Comment = nullptr;
    QPlainTextEdit* txtDetails = nullptr;
    QPushButton* cmdCopyTo2 = nullptr;

    QLineEdit* v2Artist = nullptr;
    QLineEdit* v2Album = nullptr;
    QLineEdit* v2Title = nullptr;
    QLineEdit* v2TNR = nullptr;
    QLineEdit* v2Year = nullptr;
    QComboBox* v2Genre = nullptr;
    QLineEdit* v2Comment = nullptr;
    QLineEdit* v2Composer = nullptr;
    QLineEdit* v2OrigArtist = nullptr;
    QLineEdit* v2Copyright = nullptr;
    QLineEdit* v2LinkTo = nullptr;
    QLineEdit* v2Encoder = nullptr;
    QComboBox* cmbVersion = nullptr;
    QCheckBox* chkClear = nullptr;
    QPushButton* cmdCopyTo1 = nullptr;
    QLabel* imgPicture = nullptr;  // the loaded file's cover, small
    QLabel* lblPicture = nullptr;  // what it is

private:
    void ShowPicture();
    void CreateTagV1Page(QFrame* page);
    void CreateTagV2Page(QFrame* page);
    // Each text box with the field it shows.
    std::vector<std::pair<QLineEdit*, std::string*>> TextBoxes();

    TagEditor editor_;
    QCheckBox* version1_;
    QCheckBox* version2_;
};

}  // namespace kalvex
