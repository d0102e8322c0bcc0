// The text pane: it follows the text edited in place, shows its spacing
// relative to the font size on non-linear sliders and changes the edited
// selection; the font panel and the toolbar's Fonts item.

#include "AppTestSupport.h"
#include "app/TDFontManager.h"
#include "app/TDInspectorController.h"
#include "app/TDTextController.h"
#include "app/TDTextPane.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "canvas/TDTextView.h"
#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"

#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QSlider>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

class TextPaneTest : public AppFixture {
public:
    void SetUp() override
    {
        document = controller->newDocument();
        window = controller->windowForDocument(document);
        inspector = std::make_unique<TDInspectorController>();
        inspector->setMainWindow(window);
        TDFontManager::shared().setTargetFinder([this] { return window ? window->graphicView() : nullptr; });
        box = addRectangle(document, Rect(10, 10, 300, 200));
        box->fillStyle()->setStyle(TDFillStyle::TextFill);
    }
    void TearDown() override
    {
        TDFontManager::shared().setTargetFinder(nullptr);
        inspector.reset();
    }

    // The box's text: runs of the given sizes, each "word " long.
    void setRuns(const std::vector<double> &sizes)
    {
        QTextDocument text;
        TDAttributedText::prepare(text);
        QTextCursor cursor(&text);
        for (const double size : sizes) {
            QTextCharFormat format = TDAttributedText::defaultCharFormat();
            format.setFontPointSize(size);
            cursor.insertText(QStringLiteral("word "), format);
        }
        box->fillStyle()->setContents(text);
    }
    TDTextView *edit()
    {
        box->startEditingWithEvent(nullptr, window->graphicView());
        return window->graphicView()->textEditor();
    }
    void selectAll(TDTextView *editor)
    {
        QTextCursor all = editor->cursor();
        all.select(QTextCursor::Document);
        editor->setCursor(all);
    }
    QTextCharFormat formatAt(int position) const
    {
        QTextCursor c(box->fillStyle()->contents());
        c.setPosition(position + 1);
        return c.charFormat();
    }
    static void type(QLineEdit *field, const QString &text)
    {
        field->setText(text);
        Q_EMIT field->editingFinished();
    }

    TDTextController &text() const { return *inspector->textController(); }
    TDTextPane &pane() const { return *inspector->textPane(); }

    TDDocument *document = nullptr;
    TDDocumentWindow *window = nullptr;
    std::unique_ptr<TDInspectorController> inspector;
    TDGraphicPtr box;
};

} // namespace

TEST(TDTextController, SlidersAreNotLinear)
{
    const struct {
        const char *name;
        double (*toValue)(double);
        double slider;
        double value;
    } rows[] = {
        {"kerning at half", TDTextController::kerningForSlider, 0.5, 1.0},
        {"kerning at minus half", TDTextController::kerningForSlider, -0.5, -0.1},
        {"kerning near the middle", TDTextController::kerningForSlider, 0.04, 0},
        {"line near the middle", TDTextController::lineForSlider, 0.02, 1.0},
        {"line at the top", TDTextController::lineForSlider, 1, 10},
        {"line at the bottom", TDTextController::lineForSlider, -1, 0.1},
        {"baseline near the middle", TDTextController::baselineForSlider, -0.03, 0},
        {"baseline", TDTextController::baselineForSlider, 0.4, 0.4},
    };
    for (const auto &row : rows)
        EXPECT_NEAR(row.toValue(row.slider), row.value, 1e-6) << row.name;
    // Showing a value puts the slider where that value comes from.
    for (const double k : {2.0, -0.3})
        EXPECT_NEAR(TDTextController::kerningForSlider(TDTextController::sliderForKerning(k)), k, 1e-6);
    for (const double m : {3.5, 0.4})
        EXPECT_NEAR(TDTextController::lineForSlider(TDTextController::sliderForLine(m)), m, 1e-6);
}

TEST_F(TextPaneTest, FollowsTheEditorAndShowsItsSpacingRelativeToTheFontSize)
{
    setRuns({20});
    QTextCursor all(box->fillStyle()->contents());
    all.select(QTextCursor::Document);
    QTextCharFormat spaced;
    spaced.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    spaced.setFontLetterSpacing(10);
    spaced.setProperty(TDAttributedText::BaselineOffset, -4.0);
    all.mergeCharFormat(spaced);
    EXPECT_EQ(text().currentTextView(), nullptr);
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    EXPECT_EQ(text().currentTextView(), editor);
    EXPECT_EQ(pane().characterField->text(), QStringLiteral("50%"));
    EXPECT_EQ(pane().baselineField->text(), QStringLiteral("-20%"));
    EXPECT_EQ(pane().lineField->text(), QLocale().toString(1.0, 'f', 1));
    EXPECT_EQ(pane().characterSlider->value(), int(std::lround(std::sqrt(0.5) / 2 * TDTextPane::SliderScale)));
}

TEST_F(TextPaneTest, SpacingChangesEveryRunInProportionToItsOwnSize)
{
    setRuns({10, 20});
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    selectAll(editor);
    type(pane().baselineField, QStringLiteral("50"));
    EXPECT_DOUBLE_EQ(formatAt(0).doubleProperty(TDAttributedText::BaselineOffset), 5);
    EXPECT_DOUBLE_EQ(formatAt(6).doubleProperty(TDAttributedText::BaselineOffset), 10);
    pane().characterSlider->setValue(TDTextPane::SliderScale / 2); // a ratio of 1
    EXPECT_DOUBLE_EQ(formatAt(0).fontLetterSpacing(), 10);
    EXPECT_DOUBLE_EQ(formatAt(6).fontLetterSpacing(), 20);
    // The baseline set before stays.
    EXPECT_DOUBLE_EQ(formatAt(6).doubleProperty(TDAttributedText::BaselineOffset), 10);
}

TEST_F(TextPaneTest, LineMultiplesAreBroughtIntoTheStoredRangeAndFillTheParagraph)
{
    setRuns({12, 12});
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    // An insertion point, no selection: its whole paragraph changes.
    QTextCursor point = editor->cursor();
    point.setPosition(3);
    editor->setCursor(point);
    const auto multiple = [this] {
        return box->fillStyle()->contents()->begin().blockFormat().doubleProperty(TDAttributedText::LineHeightMultiple);
    };
    const struct {
        const char *typed;
        double stored;
    } rows[] = {{"0.5", 0.5}, {"0", 0.1}, {"-3", 0.1}, {"1e9", 10}, {"2", 2}};
    for (const auto &row : rows) {
        type(pane().lineField, QString::fromLatin1(row.typed));
        EXPECT_DOUBLE_EQ(multiple(), row.stored) << row.typed;
        EXPECT_DOUBLE_EQ(text().lineValue(), row.stored) << row.typed;
    }
    // What cannot be read as a number changes nothing.
    type(pane().lineField, QStringLiteral("tall"));
    EXPECT_DOUBLE_EQ(multiple(), 2);
}

TEST_F(TextPaneTest, RecentFontsHoldTheLastTwentyOneNewestFirstEachOnce)
{
    std::vector<double> sizes;
    for (int i = 0; i < 25; ++i)
        sizes.push_back(8 + i);
    setRuns(sizes);
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    // Visiting each run records the font where the selection was.
    for (int i = 0; i <= 25; ++i) {
        QTextCursor at = editor->cursor();
        at.setPosition(std::min(i * 5, box->fillStyle()->contents()->characterCount() - 1));
        editor->setCursor(at);
    }
    // And once more the first, which moves it to the front.
    QTextCursor first = editor->cursor();
    first.setPosition(0);
    editor->setCursor(first);
    const std::vector<QFont> &recent = text().recentFonts();
    ASSERT_EQ(recent.size(), 21u);
    EXPECT_EQ(recent.front().pointSizeF(), 32); // the last run visited
    for (size_t i = 0; i < recent.size(); ++i)
        for (size_t j = i + 1; j < recent.size(); ++j)
            EXPECT_FALSE(recent[i] == recent[j]) << i << " " << j;
    // The popup lists them after the panel's font.
    EXPECT_EQ(pane().fontPopup->count(), 22);
    EXPECT_EQ(pane().fontPopup->currentIndex(), 21);
}

TEST_F(TextPaneTest, ARecentFontChosenGoesToTheEditedSelection)
{
    setRuns({12, 30});
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    QTextCursor at = editor->cursor();
    at.setPosition(7);
    editor->setCursor(at); // records nothing yet: the old place is the end
    at.setPosition(2);
    editor->setCursor(at); // records the 30-point font
    ASSERT_FALSE(text().recentFonts().empty());
    EXPECT_EQ(text().recentFonts().front().pointSizeF(), 30);
    selectAll(editor);
    const int index = pane().fontPopup->findText(QStringLiteral("30"), Qt::MatchContains);
    ASSERT_GT(index, 0);
    pane().fontPopup->setCurrentIndex(index);
    Q_EMIT pane().fontPopup->activated(index);
    EXPECT_EQ(formatAt(0).font().pointSizeF(), 30);
}

TEST_F(TextPaneTest, AClosedEditorIsLetGoAndActionsChangeNothing)
{
    setRuns({12});
    TDTextView *editor = edit();
    ASSERT_TRUE(editor);
    selectAll(editor);
    window->graphicView()->stopTextEditing();
    EXPECT_EQ(text().currentTextView(), nullptr);
    const QString before = *TDAttributedText::archive(*box->fillStyle()->contents());
    type(pane().baselineField, QStringLiteral("50"));
    pane().lineSlider->setValue(TDTextPane::SliderScale);
    text().colorAction(Color::calibratedRGB(1, 0, 0));
    EXPECT_EQ(*TDAttributedText::archive(*box->fillStyle()->contents()), before);
}

TEST_F(TextPaneTest, TheFontPanelChangesOnlyWhatWasChangedInIt)
{
    setRuns({10, 20});
    window->graphicView()->selectGraphics(TDGraphicArray{box});
    TDFontManager &manager = TDFontManager::shared();
    manager.setSelectedFont(TDAttributedText::defaultFont(), false);
    QFont bigger = TDAttributedText::defaultFont();
    bigger.setPointSizeF(40);
    manager.panelChangedFont(bigger);
    // Every run of the selected box takes the size, and keeps its family.
    EXPECT_EQ(formatAt(0).font().pointSizeF(), 40);
    EXPECT_EQ(formatAt(6).font().pointSizeF(), 40);
    QFont serif = bigger;
    serif.setFamilies(QStringList{QStringLiteral("DejaVu Serif")});
    setRuns({10, 20});
    manager.panelChangedFont(serif);
    EXPECT_EQ(formatAt(0).font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(formatAt(0).font().pointSizeF(), 10);
    EXPECT_EQ(formatAt(6).font().pointSizeF(), 20);
}

TEST_F(TextPaneTest, TheToolbarsFontsItemOpensTheFontPanel)
{
    TDDocumentToolbar *toolbar = window->documentToolbar();
    QAction *fonts = toolbar->itemWithIdentifier(TDDocumentToolbar::showFontsItemIdentifier);
    ASSERT_TRUE(fonts);
    fonts->trigger();
    ASSERT_TRUE(TDFontManager::shared().hasFontPanel());
    EXPECT_TRUE(TDFontManager::shared().fontPanel()->isVisible());
    // Quitting would close it.
    delete TDFontManager::shared().fontPanel();
}
