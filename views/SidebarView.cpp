#include "SidebarView.h"

#include <string>

#include <QCoreApplication>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "Accessibility.h"
#include "CharacterRuleBlock.h"
#include "ElidedButton.h"
#include "PaneStyle.h"
#include "PanelGroupBox.h"
#include "PreviewListView.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"
#include "RenameChoices.h"
#include "RenamePreviewView.h"
#include "RuleListView.h"
#include "SavePresetSheet.h"
#include "SegmentedControl.h"
#include "SequenceBlock.h"

namespace {

QWidget *row(QWidget *parent, std::initializer_list<QWidget *> widgets, bool stretchAfterFirst)
{
    auto *container = new QWidget(parent);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    bool first = true;
    for (QWidget *widget : widgets) {
        widget->setParent(container);
        layout->addWidget(widget, 0, Qt::AlignVCenter);
        if (first && stretchAfterFirst)
            layout->addStretch(1);
        first = false;
    }
    return container;
}

// Stacks `widgets` in `container`, `spacing` pixels apart, without margins.
void stack(QWidget *container, int spacing, std::initializer_list<QWidget *> widgets)
{
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
}

// A label and its control on one row; the label's text is also the control's accessible name.
QWidget *labelledRow(const QString &text, QWidget *control, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(control);
    control->setAccessibleName(text);
    return row(parent, { label, control }, true);
}

// A drop-down list of the choices of `Enum`, in table order.
template <RenameChoice Enum> QComboBox *choicePicker(const QString &objectName, QWidget *parent)
{
    auto *picker = new LabelledComboBox(parent);
    picker->setObjectName(objectName);
    picker->addItems(RenameChoices::titles<Enum>());
    return picker;
}

QLineEdit *textField(const QString &objectName, const QString &placeholder, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setPlaceholderText(placeholder);
    // The placeholder disappears once something is typed; the accessible name keeps the field's purpose.
    field->setAccessibleName(placeholder);
    field->setClearButtonEnabled(false);
    return field;
}

QCheckBox *toggle(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(objectName);
    return box;
}

QString joinedExtensions(const std::set<std::string> &extensions)
{
    // A std::set is already in ascending byte order.
    QStringList parts;
    for (const std::string &extension : extensions)
        parts.append(QtConversions::toQString(extension));
    return parts.join(QLatin1Char(','));
}

void setTextKeepingCursor(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace

SidebarView::SidebarView(QuorvaneViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("sidebar"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    // The settings scroll when the window is short; the preview stays in sight below them, never under the
    // window's edge, and takes whatever height the settings leave.
    outer->addWidget(buildScrollArea(), 0);
    auto *previewArea = new QWidget(this);
    auto *previewLayout = new QVBoxLayout(previewArea);
    previewLayout->setContentsMargins(14, 4, 14, 8);
    previewLayout->addWidget(buildPreview(previewArea));
    outer->addWidget(previewArea, 1);
    // A control that takes the focus (by Tab, a mnemonic or a click) is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now != nullptr && m_scroll->widget() != nullptr && m_scroll->widget()->isAncestorOf(now))
            m_scroll->ensureWidgetVisible(now, 8, 8);
    });

    connect(&m_viewModel, &QuorvaneViewModel::selectedFolderURLChanged, this, &SidebarView::syncSource);
    connect(&m_viewModel, &QuorvaneViewModel::includeSubfoldersChanged, this, &SidebarView::syncSource);
    connect(&m_viewModel, &QuorvaneViewModel::filterCriteriaChanged, this, &SidebarView::syncFilter);
    connect(&m_viewModel, &QuorvaneViewModel::renameParametersChanged, this, &SidebarView::syncRename);
    connect(&m_viewModel, &QuorvaneViewModel::presetsChanged, this, &SidebarView::rebuildPresetsMenu);

    syncSource();
    syncFilter();
    syncRename();
    rebuildPresetsMenu();
    setUpTabOrder();
}

namespace {

// A scroll area that asks for the whole height of its content (the standard one caps its request at 24 lines),
// so that the sidebar's layout gives the settings all the room they need and the preview the rest.
class SettingsScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        const QSize content = widget() != nullptr ? widget()->sizeHint() : QSize();
        return { content.width(), content.height() + 2 * frameWidth() };
    }
    QSize minimumSizeHint() const override { return { 0, 3 * fontMetrics().height() }; }
    /// Shows `content` and follows its height as controls appear and disappear.
    void setContent(QWidget *content)
    {
        setWidget(content);
        content->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The content is not in a layout of this area, so a change of its size hint must be passed on by hand.
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }
};

} // namespace

QWidget *SidebarView::buildScrollArea()
{
    auto *scroll = new SettingsScrollArea(this);
    m_scroll = scroll;
    scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    // The scroll area itself is no Tab stop: the controls inside it are.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setObjectName(QStringLiteral("sidebarScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setBackgroundRole(QPalette::Window);

    auto *content = new QWidget(scroll);
    content->setBackgroundRole(QPalette::Window);
    auto *stack = new QVBoxLayout(content);
    // A little tighter than the sections' usual 12 points, so that the preview keeps eight rows in sight at the
    // default size with every strategy.
    stack->setSpacing(6);
    stack->addWidget(buildSource());
    stack->addWidget(buildFilter());
    stack->addWidget(buildRename());
    stack->setContentsMargins(14, 12, 14, 0);
    stack->addStretch(1);
    scroll->setContent(content);
    return scroll;
}

QWidget *SidebarView::buildPreview(QWidget *parent)
{
    auto *section = new PanelGroupBox(QCoreApplication::translate("SidebarView", "Preview"), parent);
    section->setObjectName(QStringLiteral("previewSection"));
    m_preview = new RenamePreviewView(m_viewModel, section);
    // At least four rows whatever the window's height; more as the settings leave room.
    const int row
        = m_preview->list()->sizeHintForRow(0) > 0 ? m_preview->list()->sizeHintForRow(0) : fontMetrics().height() + 4;
    m_preview->setMinimumHeight(4 * row + 2 * m_preview->list()->frameWidth() + 4);
    m_preview->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    section->addContent(m_preview);
    section->layout()->setAlignment(Qt::Alignment());
    section->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return section;
}

QWidget *SidebarView::buildSource()
{
    auto *section = new PanelGroupBox(QCoreApplication::translate("SidebarView", "Source"), this);
    section->setObjectName(QStringLiteral("sourceSection"));

    m_folderButton = new ElidedButton(section);
    m_folderButton->setObjectName(QStringLiteral("folderButton"));
    m_folderButton->setIcon(PaneStyle::folderIcon());
    m_revealButton = new QToolButton(section);
    m_revealButton->setObjectName(QStringLiteral("revealFolderButton"));
    m_revealButton->setIcon(PaneStyle::revealIcon());
    m_revealButton->setToolTip(QCoreApplication::translate("SidebarView", "Show selected folder in File Manager"));
    m_revealButton->setAccessibleName(
        QCoreApplication::translate("SidebarView", "Show selected folder in File Manager"));
    m_revealButton->setFocusPolicy(Qt::StrongFocus);
    m_revealButton->setMinimumHeight(m_folderButton->sizeHint().height());
    section->addContent(row(section, { m_folderButton, m_revealButton }, false));

    m_subfoldersToggle = toggle(QStringLiteral("includeSubfoldersToggle"),
        QCoreApplication::translate("SidebarView", "Include Subfolders"), section);
    section->addContent(m_subfoldersToggle);

    connect(m_folderButton, &QPushButton::clicked, this, [this] {
        m_viewModel.releaseFolderAccess();
        Q_EMIT chooseFolderRequested();
    });
    connect(m_revealButton, &QToolButton::clicked, this, [this] { m_viewModel.openSelectedFolder(); });
    connect(m_subfoldersToggle, &QCheckBox::clicked, this, [this] {
        m_viewModel.toggleIncludeSubfolders();
        syncSource();
    });
    return section;
}

QWidget *SidebarView::buildFilter()
{
    auto *section = new PanelGroupBox(QCoreApplication::translate("SidebarView", "Filter"), this);
    section->setObjectName(QStringLiteral("filterSection"));

    m_searchField = textField(
        QStringLiteral("searchField"), QCoreApplication::translate("SidebarView", "File name contains…"), section);
    m_extensionsField = textField(QStringLiteral("extensionsField"),
        QCoreApplication::translate("SidebarView", "Extensions (png, jpg…)"), section);
    m_caseSensitiveToggle = toggle(
        QStringLiteral("caseSensitiveToggle"), QCoreApplication::translate("SidebarView", "Case sensitive"), section);
    m_clearFilterButton
        = new QPushButton(PaneStyle::clearIcon(), QCoreApplication::translate("SidebarView", "Clear Filter"), section);
    m_clearFilterButton->setObjectName(QStringLiteral("clearFilterButton"));
    m_clearFilterButton->setFont(PaneStyle::calloutFont(font()));
    // Side by side, so that the preview keeps its rows in sight below a long rule.
    auto *fields = row(section, { m_searchField, m_extensionsField }, false);
    section->addContent(fields);
    section->addContent(row(section, { m_caseSensitiveToggle, m_clearFilterButton }, true));

    connect(m_searchField, &QLineEdit::textEdited, this, [this](const QString &text) {
        editFilter([&text](FileFilterCriteria &criteria) { criteria.searchText = QtConversions::toStdString(text); });
    });
    connect(m_extensionsField, &QLineEdit::textEdited, this, [this](const QString &text) {
        // While typing, the field keeps the user's spelling; it shows the parsed form once editing ends.
        m_typingExtensions = true;
        m_viewModel.setIncludeExtensions(text);
        m_typingExtensions = false;
    });
    connect(m_extensionsField, &QLineEdit::editingFinished, this, &SidebarView::syncFilter);
    connect(m_caseSensitiveToggle, &QCheckBox::clicked, this, [this](bool checked) {
        editFilter([checked](FileFilterCriteria &criteria) { criteria.caseSensitive = checked; });
    });
    connect(m_clearFilterButton, &QPushButton::clicked, this, [this] {
        m_viewModel.setFilterCriteria(FileFilterCriteria {});
        m_viewModel.applyFilters();
    });
    return section;
}

QWidget *SidebarView::buildRename()
{
    auto *section = new PanelGroupBox(QCoreApplication::translate("SidebarView", "Rename"), this);
    section->setObjectName(QStringLiteral("renameSection"));
    m_ruleList = new RuleListView(m_viewModel, section);
    m_ruleList->setObjectName(QStringLiteral("ruleListView"));
    section->addContent(m_ruleList);
    section->addContent(buildStrategyRow(section));

    m_prefixField
        = textField(QStringLiteral("prefixField"), QCoreApplication::translate("SidebarView", "Prefix text"), section);
    m_suffixField
        = textField(QStringLiteral("suffixField"), QCoreApplication::translate("SidebarView", "Suffix text"), section);
    section->addContent(m_prefixField);
    section->addContent(m_suffixField);
    section->addContent(buildReplaceBlock(section));
    m_sequenceBlock = new SequenceBlock(m_viewModel, QStringLiteral("sequence"), false, section);
    m_sequenceBlock->setObjectName(QStringLiteral("sequenceBlock"));
    section->addContent(m_sequenceBlock);
    section->addContent(buildDateBlock());
    m_characterBlock = new CharacterRuleBlock(m_viewModel, section);
    m_characterBlock->setObjectName(QStringLiteral("characterBlock"));
    section->addContent(m_characterBlock);
    m_preserveExtensionToggle = toggle(QStringLiteral("preserveExtensionToggle"),
        QCoreApplication::translate("SidebarView", "Preserve file extension"), section);
    section->addContent(m_preserveExtensionToggle);
    section->addContent(buildPresetsRow(section));

    connectRenameFields();
    return section;
}

QWidget *SidebarView::buildStrategyRow(QWidget *parent)
{
    auto *strategyLabel = new QLabel(QCoreApplication::translate("SidebarView", "Strategy"), parent);
    m_strategyButton = new QPushButton(parent);
    m_strategyButton->setObjectName(QStringLiteral("strategyButton"));
    m_strategyMenu = new QMenu(m_strategyButton);
    m_strategyMenu->setObjectName(QStringLiteral("strategyMenu"));
    for (const EnumCase<RenameStrategy> &choice : enumCases<RenameStrategy>()) {
        QAction *action = m_strategyMenu->addAction(RenameChoices::title(choice.value));
        connect(action, &QAction::triggered, this,
            [this, strategy = choice.value] { m_viewModel.selectStrategy(strategy); });
    }
    m_strategyButton->setMenu(m_strategyMenu);
    strategyLabel->setBuddy(m_strategyButton);
    m_strategyButton->setAccessibleDescription(QCoreApplication::translate("SidebarView", "Strategy"));
    return row(parent, { strategyLabel, m_strategyButton }, true);
}

QWidget *SidebarView::buildReplaceBlock(QWidget *parent)
{
    m_replaceBlock = new QWidget(parent);
    m_replaceBlock->setObjectName(QStringLiteral("replaceBlock"));
    m_findField
        = textField(QStringLiteral("findField"), QCoreApplication::translate("SidebarView", "Find"), m_replaceBlock);
    m_replaceField = textField(
        QStringLiteral("replaceField"), QCoreApplication::translate("SidebarView", "Replace with"), m_replaceBlock);
    m_regexToggle = toggle(QStringLiteral("regexToggle"),
        QCoreApplication::translate("SidebarView", "Regular expression"), m_replaceBlock);
    stack(m_replaceBlock, 8, { m_findField, m_replaceField, m_regexToggle });
    return m_replaceBlock;
}

QWidget *SidebarView::buildPresetsRow(QWidget *parent)
{
    m_presetsButton = new QToolButton(parent);
    m_presetsButton->setObjectName(QStringLiteral("presetsButton"));
    m_presetsButton->setText(QCoreApplication::translate("SidebarView", "Presets"));
    m_presetsButton->setIcon(PaneStyle::bookmarkIcon());
    m_presetsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_presetsButton->setAutoRaise(true);
    m_presetsButton->setPopupMode(QToolButton::InstantPopup);
    m_presetsButton->setFocusPolicy(Qt::StrongFocus);
    m_presetsMenu = new QMenu(m_presetsButton);
    m_presetsMenu->setObjectName(QStringLiteral("presetsMenu"));
    m_presetsButton->setMenu(m_presetsMenu);
    m_savePresetButton = new QPushButton(QCoreApplication::translate("SidebarView", "Save Preset…"), parent);
    m_savePresetButton->setObjectName(QStringLiteral("savePresetButton"));
    connect(m_savePresetButton, &QPushButton::clicked, this, &SidebarView::openSavePresetSheet);
    return row(parent, { m_presetsButton, m_savePresetButton }, true);
}

void SidebarView::connectRenameFields()
{
    const auto editText = [this](QLineEdit *field, std::string RenameParameters::*member) {
        connect(field, &QLineEdit::textEdited, this, [this, member](const QString &text) {
            editRename([&](RenameParameters &parameters) { parameters.*member = QtConversions::toStdString(text); });
        });
    };
    editText(m_prefixField, &RenameParameters::prefixText);
    editText(m_suffixField, &RenameParameters::suffixText);
    editText(m_findField, &RenameParameters::searchText);
    editText(m_replaceField, &RenameParameters::replaceText);
    connect(m_regexToggle, &QCheckBox::clicked, this, [this] {
        m_viewModel.toggleRegularExpression();
        syncRename();
    });
    connect(m_preserveExtensionToggle, &QCheckBox::clicked, this, [this](bool checked) {
        editRename([checked](RenameParameters &parameters) { parameters.preserveExtension = checked; });
    });
}

QWidget *SidebarView::buildDateBlock()
{
    m_dateBlock = new QWidget(this);
    m_dateBlock->setObjectName(QStringLiteral("dateBlock"));

    m_dateSourcePicker = choicePicker<DateSource>(QStringLiteral("dateSourcePicker"), m_dateBlock);
    m_dateFormatPicker = choicePicker<DateNameFormat>(QStringLiteral("dateFormatPicker"), m_dateBlock);
    m_dateSequenceToggle = toggle(QStringLiteral("dateSequenceToggle"),
        QCoreApplication::translate("SidebarView", "Add sequence number"), m_dateBlock);
    m_dateSequenceBlock = new SequenceBlock(m_viewModel, QStringLiteral("dateSequence"), true, m_dateBlock);
    m_dateSequenceBlock->setObjectName(QStringLiteral("dateSequenceBlock"));
    m_captureNote = new QLabel(
        QCoreApplication::translate("SidebarView", "Files without photo metadata use the file's creation date."),
        m_dateBlock);
    m_captureNote->setObjectName(QStringLiteral("captureDateNote"));
    m_captureNote->setWordWrap(true);
    m_captureNote->setFont(PaneStyle::captionFont(font()));
    PaneStyle::makeSecondary(m_captureNote);

    stack(m_dateBlock, 8,
        { labelledRow(QCoreApplication::translate("SidebarView", "Date source"), m_dateSourcePicker, m_dateBlock),
            labelledRow(QCoreApplication::translate("SidebarView", "Format"), m_dateFormatPicker, m_dateBlock),
            m_dateSequenceToggle, m_dateSequenceBlock, buildDatePositionRow(m_dateBlock), m_captureNote });

    connectChoice(m_dateSourcePicker, &RenameParameters::dateSource);
    connectChoice(m_dateFormatPicker, &RenameParameters::dateFormat);
    connectChoice(m_datePositionPicker, &RenameParameters::datePosition);
    connect(m_dateSequenceToggle, &QCheckBox::clicked, this, [this](bool checked) {
        editRename([checked](RenameParameters &parameters) { parameters.dateIncludeSequence = checked; });
    });
    return m_dateBlock;
}

QWidget *SidebarView::buildDatePositionRow(QWidget *parent)
{
    m_datePositionPicker
        = new SegmentedControl(RenameChoices::titles<DatePosition>(), QStringLiteral("datePosition"), parent);
    m_datePositionPicker->setObjectName(QStringLiteral("datePositionPicker"));
    m_datePositionPicker->setAccessibleName(QCoreApplication::translate("SidebarView", "Date position"));
    auto *label = new QLabel(QCoreApplication::translate("SidebarView", "Date position"), parent);
    label->setBuddy(m_datePositionPicker);
    return row(parent, { label, m_datePositionPicker }, true);
}

template <typename Picker, RenameChoice Enum>
void SidebarView::connectChoice(Picker *picker, Enum RenameParameters::*field)
{
    connect(picker, &Picker::activated, this, [this, field](int row) {
        if (const std::optional<Enum> choice = RenameChoices::choiceAt<Enum>(row))
            editRename([&](RenameParameters &parameters) { parameters.*field = *choice; });
    });
}

void SidebarView::setUpTabOrder()
{
    QList<QWidget *> chain { m_folderButton, m_revealButton, m_subfoldersToggle, m_searchField, m_extensionsField,
        m_caseSensitiveToggle, m_clearFilterButton };
    chain << m_ruleList->tabStops() << m_strategyButton << m_prefixField << m_suffixField << m_findField
          << m_replaceField << m_regexToggle << m_characterBlock->tabStops();
    const auto addSequence = [&chain](SequenceBlock *block) {
        chain.append(block->startField());
        for (QToolButton *segment : block->paddingPicker()->findChildren<QToolButton *>())
            chain.append(segment);
        chain.append(block->separatorField());
        chain.append(block->stepField());
        chain.append(block->restartToggle());
    };
    addSequence(m_sequenceBlock);
    chain << m_dateSourcePicker << m_dateFormatPicker << m_dateSequenceToggle;
    addSequence(m_dateSequenceBlock);
    for (QToolButton *segment : m_datePositionPicker->findChildren<QToolButton *>())
        chain.append(segment);
    chain << m_preserveExtensionToggle << m_presetsButton << m_savePresetButton << m_preview->list();
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

void SidebarView::syncSource()
{
    const auto &folder = m_viewModel.selectedFolderURL();
    if (folder) {
        const std::filesystem::path name
            = folder->filename().empty() ? folder->parent_path().filename() : folder->filename();
        const QString text = name.empty() ? QtConversions::toQString(*folder) : QtConversions::toQString(name);
        m_folderButton->setText(text);
        m_folderButton->setToolTip(QtConversions::toQString(*folder));
        m_folderButton->setAccessibleName(QCoreApplication::translate("SidebarView", "Folder: ") + text);
    } else {
        m_folderButton->setText(QCoreApplication::translate("SidebarView", "Select Folder…"));
        m_folderButton->setToolTip({});
        m_folderButton->setAccessibleName({});
    }
    m_revealButton->setEnabled(folder.has_value());
    const QSignalBlocker blocker(m_subfoldersToggle);
    m_subfoldersToggle->setChecked(m_viewModel.includeSubfolders());
}

void SidebarView::syncFilter()
{
    const FileFilterCriteria &criteria = m_viewModel.filterCriteria();
    setTextKeepingCursor(m_searchField, QtConversions::toQString(criteria.searchText));
    if (!m_typingExtensions)
        setTextKeepingCursor(m_extensionsField, joinedExtensions(criteria.includeExtensions));
    {
        const QSignalBlocker blocker(m_caseSensitiveToggle);
        m_caseSensitiveToggle->setChecked(criteria.caseSensitive);
    }
    m_clearFilterButton->setEnabled(!criteria.searchText.empty() || !criteria.includeExtensions.empty());
}

void SidebarView::syncRename()
{
    const RenameParameters &parameters = m_viewModel.renameParameters();
    syncStrategy(parameters.strategy);
    setTextKeepingCursor(m_prefixField, QtConversions::toQString(parameters.prefixText));
    setTextKeepingCursor(m_suffixField, QtConversions::toQString(parameters.suffixText));
    setTextKeepingCursor(m_findField, QtConversions::toQString(parameters.searchText));
    setTextKeepingCursor(m_replaceField, QtConversions::toQString(parameters.replaceText));
    {
        const QSignalBlocker regexBlocker(m_regexToggle);
        m_regexToggle->setChecked(parameters.useRegularExpression);
        const QSignalBlocker preserveBlocker(m_preserveExtensionToggle);
        m_preserveExtensionToggle->setChecked(parameters.preserveExtension);
    }
    m_sequenceBlock->sync();
    m_characterBlock->sync();
    syncDateBlock(parameters);
}

void SidebarView::syncStrategy(RenameStrategy strategy)
{
    m_strategyButton->setText(RenameChoices::title(strategy));
    m_strategyButton->setAccessibleName(
        QCoreApplication::translate("SidebarView", "Strategy: ") + RenameChoices::title(strategy));
    const QList<QAction *> actions = m_strategyMenu->actions();
    for (qsizetype row = 0; row < actions.size(); ++row) {
        QAction *action = actions.at(row);
        const bool current = row == RenameChoices::rowOf(strategy);
        action->setIcon(current ? PaneStyle::checkmarkIcon() : QIcon());
        action->setIconVisibleInMenu(true);
        action->setData(current);
    }

    m_prefixField->setVisible(strategy == RenameStrategy::prefix);
    m_suffixField->setVisible(strategy == RenameStrategy::suffix);
    m_replaceBlock->setVisible(strategy == RenameStrategy::replace);
    m_sequenceBlock->setVisible(
        strategy == RenameStrategy::prefixSequence || strategy == RenameStrategy::suffixSequence);
    m_dateBlock->setVisible(strategy == RenameStrategy::dateName);
    m_preserveExtensionToggle->setVisible(strategy != RenameStrategy::dateName);
}

void SidebarView::syncDateBlock(const RenameParameters &parameters)
{
    {
        const QSignalBlocker blocker(m_dateSequenceToggle);
        m_dateSequenceToggle->setChecked(parameters.dateIncludeSequence);
    }
    m_dateSequenceBlock->sync();
    m_dateSequenceBlock->setVisible(parameters.dateIncludeSequence);
    m_dateSourcePicker->setCurrentIndex(RenameChoices::rowOf(parameters.dateSource));
    m_dateFormatPicker->setCurrentIndex(RenameChoices::rowOf(parameters.dateFormat));
    m_datePositionPicker->setCurrentIndex(RenameChoices::rowOf(parameters.datePosition));
    m_captureNote->setVisible(parameters.dateSource == DateSource::capture);
}

void SidebarView::rebuildPresetsMenu()
{
    m_presetsMenu->clear();
    const QList<RenamePreset> &presets = m_viewModel.presetStore().presets();
    if (presets.isEmpty()) {
        QAction *none = m_presetsMenu->addAction(QCoreApplication::translate("SidebarView", "No Saved Presets"));
        none->setEnabled(false);
        return;
    }
    for (const RenamePreset &preset : presets) {
        QAction *action = m_presetsMenu->addAction(preset.name);
        // A copy: the store's list changes (and its elements move) when presets are added or deleted.
        connect(action, &QAction::triggered, this, [this, preset] { m_viewModel.applyPreset(preset); });
    }
    m_presetsMenu->addSeparator();
    QMenu *deleteMenu = m_presetsMenu->addMenu(QCoreApplication::translate("SidebarView", "Delete Preset"));
    deleteMenu->setObjectName(QStringLiteral("deletePresetMenu"));
    for (const RenamePreset &preset : presets) {
        QAction *action = deleteMenu->addAction(preset.name);
        const QUuid id = preset.id;
        // Deleting rebuilds this menu; the deletion is posted so the triggered action is not destroyed under Qt.
        connect(action, &QAction::triggered, this, [this, id] {
            QMetaObject::invokeMethod(
                this, [this, id] { m_viewModel.presetStore().deletePreset(id); }, Qt::QueuedConnection);
        });
    }
}

void SidebarView::openSavePresetSheet()
{
    // A fresh sheet each time, so its name field always starts as "My Preset".
    auto *sheet = new SavePresetSheet([this](const QString &name) { m_viewModel.saveCurrentAsPreset(name); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

void SidebarView::editFilter(const std::function<void(FileFilterCriteria &)> &change)
{
    FileFilterCriteria criteria = m_viewModel.filterCriteria();
    change(criteria);
    m_viewModel.setFilterCriteria(criteria);
    m_viewModel.applyFilters();
}

void SidebarView::editRename(const std::function<void(RenameParameters &)> &change)
{
    RenameParameters parameters = m_viewModel.renameParameters();
    change(parameters);
    m_viewModel.setRenameParameters(parameters);
    m_viewModel.updateRenamePlans();
}
