#pragma once

#include <functional>

#include <QWidget>

#include "FileFilterCriteria.h"
#include "RenameParameters.h"

class CharacterRuleBlock;
class ElidedButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QToolButton;
class QuorvaneViewModel;
class RenamePreviewView;
class RuleListView;
class SegmentedControl;
class SequenceBlock;

/// The left column of the window, in four sections: "Source" (folder, subfolders), "Filter" (name text,
/// extensions, case, clearing), "Rename" (strategy with its fields, extension switch, presets) and "Preview".
/// It keeps no settings of its own: every control shows a field of the view model, writes it back and asks the
/// view model to filter or plan again right after the change.
class SidebarView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SidebarView)

public:
    explicit SidebarView(QuorvaneViewModel &viewModel, QWidget *parent = nullptr);

    /// The preview in the last section.
    RenamePreviewView *preview() const { return m_preview; }

Q_SIGNALS:
    /// The folder button was pressed (the folder access has already been released); the window should let the
    /// user choose a folder and load it.
    void chooseFolderRequested();

private:
    QWidget *buildScrollArea();
    QWidget *buildPreview(QWidget *parent);
    QWidget *buildSource();
    QWidget *buildFilter();
    QWidget *buildRename();
    QWidget *buildStrategyRow(QWidget *parent);
    QWidget *buildReplaceBlock(QWidget *parent);
    QWidget *buildPresetsRow(QWidget *parent);
    void connectRenameFields();
    QWidget *buildDateBlock();
    QWidget *buildDatePositionRow(QWidget *parent);
    /// Writes the choice the user picks in `picker` (a drop-down or segmented control) to `field`.
    template <typename Picker, RenameChoice Enum> void connectChoice(Picker *picker, Enum RenameParameters::*field);
    void setUpTabOrder();

    void syncSource();
    void syncFilter();
    void syncRename();
    void syncStrategy(RenameStrategy strategy);
    void syncDateBlock(const RenameParameters &parameters);
    void rebuildPresetsMenu();
    void openSavePresetSheet();
    void editFilter(const std::function<void(FileFilterCriteria &)> &change);
    void editRename(const std::function<void(RenameParameters &)> &change);

    QuorvaneViewModel &m_viewModel;
    QScrollArea *m_scroll = nullptr;

    ElidedButton *m_folderButton = nullptr;
    QToolButton *m_revealButton = nullptr;
    QCheckBox *m_subfoldersToggle = nullptr;

    QLineEdit *m_searchField = nullptr;
    QLineEdit *m_extensionsField = nullptr;
    QCheckBox *m_caseSensitiveToggle = nullptr;
    QPushButton *m_clearFilterButton = nullptr;
    bool m_typingExtensions = false;

    QPushButton *m_strategyButton = nullptr;
    QMenu *m_strategyMenu = nullptr;
    QLineEdit *m_prefixField = nullptr;
    QLineEdit *m_suffixField = nullptr;
    QWidget *m_replaceBlock = nullptr;
    QLineEdit *m_findField = nullptr;
    QLineEdit *m_replaceField = nullptr;
    QCheckBox *m_regexToggle = nullptr;
    SequenceBlock *m_sequenceBlock = nullptr;
    RuleListView *m_ruleList = nullptr;
    CharacterRuleBlock *m_characterBlock = nullptr;
    QWidget *m_dateBlock = nullptr;
    QComboBox *m_dateSourcePicker = nullptr;
    QComboBox *m_dateFormatPicker = nullptr;
    QCheckBox *m_dateSequenceToggle = nullptr;
    SequenceBlock *m_dateSequenceBlock = nullptr;
    SegmentedControl *m_datePositionPicker = nullptr;
    QLabel *m_captureNote = nullptr;
    QCheckBox *m_preserveExtensionToggle = nullptr;
    QToolButton *m_presetsButton = nullptr;
    QMenu *m_presetsMenu = nullptr;
    QPushButton *m_savePresetButton = nullptr;

    RenamePreviewView *m_preview = nullptr;
};
