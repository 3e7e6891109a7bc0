// The Tag v1 and Tag v2 pages as a view of the tag editor.
#include "app/tag_editor_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "app/page_widgets.h"

namespace kalvex {
namespace {

constexpr int kGroupFieldWidth = 3690;

using Field = std::string TagRecord::*;

int LengthOf(std::size_t length) {
    return static_cast<int>(length);
}

void FillGenres(QComboBox* box, const std::vector<std::string>& genres) {
    box->clear();
    for (const std::string& name : genres) {
        box->addItem(QString::fromUtf8(name));
    }
}

void SetText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromUtf8(text));
}

}  // namespace

TagEditorPanel::TagEditorPanel(QFrame* v1_page, QFrame* v2_page, QCheckBox* version1,
                               QCheckBox* version2)
    : version1_(version1), version2_(version2) {
    CreateTagV1Page(v1_page);
    CreateTagV2Page(v2_page);
    FillGenres(v1Genre, TagEditor::V1Genres());
    FillGenres(v2Genre, TagEditor::V2Genres());
    v2Genre->setCurrentIndex(-1);
    cmbVersion->setCurrentIndex(0);
    QObject::connect(cmdCopyTo1, &QPushButton::clicked, [this] {
        ReadFields();
        editor_.CopyTo1();
        ShowFields();
    });
    QObject::connect(cmdCopyTo2, &QPushButton::clicked, [this] {
        ReadFields();
        editor_.CopyTo2();
        ShowFields();
    });
}

void TagEditorPanel::CreateTagV1Page(QFrame* page) {
    auto* tag =
        MakeGroup(page, "fraTagV1", "MP3 ID3 Version 1 Tag", {120, 60, kPageContentWidth, 2415});
    int top = 270;
    constexpr int kStep = 345;
    auto edit = [&](const char* name, Field field, const TwipRect& place) {
        return MakeEdit(tag, name, place, LengthOf(TagEditor::V1Length(field)));
    };
    MakeLabel(tag, "lblV1Artist", "Artist:", LabelAt(top));
    v1Artist = edit("v1Artist", &TagRecord::Artist, FieldAt(top, kGroupFieldWidth));
    top += kStep;
    MakeLabel(tag, "lblV1Album", "Album:", LabelAt(top));
    v1Album = edit("v1Album", &TagRecord::Album, FieldAt(top, kGroupFieldWidth));
    top += kStep;
    MakeLabel(tag, "lblV1Title", "Title:", LabelAt(top));
    v1Title = edit("v1Title", &TagRecord::Title, FieldAt(top, kGroupFieldWidth));
    top += kStep;
    MakeLabel(tag, "lblV1TNR", "Track nr.:", LabelAt(top));
    v1TNR = edit("v1TNR", &TagRecord::TNR, FieldAt(top, 600));
    MakeLabel(tag, "lblV1Year", "Year:", LabelAt(top, 2280, 600));
    v1Year = edit("v1Year", &TagRecord::Year, FieldAt(top, 750, 2940));
    top += kStep;
    MakeLabel(tag, "lblV1Genre", "Genre:", LabelAt(top));
    v1Genre = Make<QComboBox>(tag, "v1Genre", FieldAt(top, 2400));
    top += kStep;
    MakeLabel(tag, "lblV1Comment", "Comment:", LabelAt(top));
    v1Comment = edit("v1Comment", &TagRecord::Comment, FieldAt(top, kGroupFieldWidth));

    MakeLabel(page, "lblDetails", "MPEG information:", {120, 2580, 3000, 255});
    txtDetails = Make<QPlainTextEdit>(page, "txtDetails", {120, 2835, kPageContentWidth, 2700});
    txtDetails->setReadOnly(true);
    cmdCopyTo2 = MakeButton(page, "cmdCopyTo2", "&Copy v1 tag to v2", {2880, 5655, 2250, 375});
}

void TagEditorPanel::CreateTagV2Page(QFrame* page) {
    auto* tag =
        MakeGroup(page, "fraTagV2", "MP3 ID3 Version 2 Tag", {120, 60, kPageContentWidth, 3990});
    int top = 270;
    constexpr int kStep = 330;
    auto row = [&](const char* label_name, const char* text, const char* name) {
        MakeLabel(tag, label_name, text, LabelAt(top));
        QLineEdit* edit = MakeEdit(tag, name, FieldAt(top, kGroupFieldWidth));
        top += kStep;
        return edit;
    };
    v2Artist = row("lblV2Artist", "Artist:", "v2Artist");
    v2Album = row("lblV2Album", "Album:", "v2Album");
    v2Title = row("lblV2Title", "Title:", "v2Title");
    MakeLabel(tag, "lblV2TNR", "Track nr.:", LabelAt(top));
    v2TNR =
        MakeEdit(tag, "v2TNR", FieldAt(top, 600), LengthOf(TagEditor::V2Length(&TagRecord::TNR)));
    MakeLabel(tag, "lblV2Year", "Year:", LabelAt(top, 2280, 600));
    v2Year = MakeEdit(tag, "v2Year", FieldAt(top, 750, 2940),
                      LengthOf(TagEditor::V2Length(&TagRecord::Year)));
    top += kStep;
    MakeLabel(tag, "lblV2Genre", "Genre:", LabelAt(top));
    v2Genre = Make<QComboBox>(tag, "v2Genre", FieldAt(top, 2400));
    v2Genre->setEditable(true);
    v2Genre->setInsertPolicy(QComboBox::NoInsert);
    top += kStep;
    v2Comment = row("lblV2Comment", "Comment:", "v2Comment");
    v2Composer = row("lblV2Composer", "Composer:", "v2Composer");
    v2OrigArtist = row("lblV2OrigArtist", "Orig. artist:", "v2OrigArtist");
    v2Copyright = row("lblV2Copyright", "Copyright:", "v2Copyright");
    v2LinkTo = row("lblV2LinkTo", "Link:", "v2LinkTo");
    v2Encoder = row("lblV2Encoder", "Encoder:", "v2Encoder");

    MakeLabel(page, "lblVersion", "Write ID3 v2 tag in version", {120, 4185, 2400, 255});
    cmbVersion = Make<QComboBox>(page, "cmbVersion", {2580, 4140, 900, 315});
    cmbVersion->addItems({"2.3", "2.4"});
    auto* note = MakeLabel(page, "lblVersionNote",
                           "Note: v2.3 has greater support: e.g. Winamp can't read v 2.4 tags.",
                           {120, 4515, kPageContentWidth, 435});
    note->setWordWrap(true);
    chkClear = MakeCheck(page, "chkClear", "Clear existing ID3 v2 tag before writing the new one.",
                         {120, 5010, kPageContentWidth, 255});
    cmdCopyTo1 = MakeButton(page, "cmdCopyTo1", "&Copy v2 tag to v1", {2880, 5400, 2250, 375});
}

std::vector<std::pair<QLineEdit*, std::string*>> TagEditorPanel::TextBoxes() {
    TagEditorFields& f = editor_.Fields();
    return {{v1Artist, &f.V1.Artist},       {v1Album, &f.V1.Album},
            {v1Title, &f.V1.Title},         {v1TNR, &f.V1.TNR},
            {v1Year, &f.V1.Year},           {v1Comment, &f.V1.Comment},
            {v2Artist, &f.V2.Artist},       {v2Album, &f.V2.Album},
            {v2Title, &f.V2.Title},         {v2TNR, &f.V2.TNR},
            {v2Year, &f.V2.Year},           {v2Comment, &f.V2.Comment},
            {v2Composer, &f.V2.Composer},   {v2OrigArtist, &f.V2.OrigArtist},
            {v2Copyright, &f.V2.Copyright}, {v2LinkTo, &f.V2.LinkTo},
            {v2Encoder, &f.V2.Encoder}};
}

void TagEditorPanel::ShowFields() {
    const TagEditorFields& f = editor_.Fields();
    for (const auto& [box, text] : TextBoxes()) {
        SetText(box, *text);
    }
    v1Genre->setCurrentIndex(v1Genre->findText(QString::fromUtf8(f.V1.Genre), Qt::MatchExactly));
    const QString v2_genre = QString::fromUtf8(f.V2.Genre);
    v2Genre->setCurrentIndex(v2Genre->findText(v2_genre, Qt::MatchExactly));
    v2Genre->setEditText(v2_genre);
    version1_->setChecked(f.Version1);
    version2_->setChecked(f.Version2);
    cmbVersion->setCurrentIndex(f.Version == TagV2Version::k24 ? 1 : 0);
    chkClear->setChecked(f.Clear);
    txtDetails->setPlainText(QString::fromUtf8(editor_.Details()));
}

void TagEditorPanel::ReadFields() {
    TagEditorFields& f = editor_.Fields();
    for (const auto& [box, text] : TextBoxes()) {
        *text = Text(box);
    }
    f.V1.Genre = v1Genre->currentText().toStdString();
    f.V2.Genre = v2Genre->currentText().toStdString();
    f.Version1 = version1_->isChecked();
    f.Version2 = version2_->isChecked();
    f.Version = cmbVersion->currentIndex() == 1 ? TagV2Version::k24 : TagV2Version::k23;
    f.Clear = chkClear->isChecked();
}

void TagEditorPanel::LoadAndShow(const std::string& path) {
    editor_.LoadFileTags(path);
    editor_.ShowFileTags();
    ShowFields();
}

FileResult TagEditorPanel::Save(const std::string& path) {
    ReadFields();
    return editor_.SaveFileTags(path);
}

}  // namespace kalvex
