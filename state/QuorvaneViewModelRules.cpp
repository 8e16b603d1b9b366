#include "QuorvaneViewModel.h"

#include <algorithm>
#include <utility>

// The rule list: every edit goes through setRenameParameters, which arms the apply and announces both the
// parameters and the list, so that the edited rule's fields and the list's summaries stay in step.

RenameRuleList QuorvaneViewModel::renameRules() const
{
    RenameRuleList rules = m_renameRules;
    rules[static_cast<std::size_t>(m_editedRuleIndex)].parameters = m_renameParameters;
    return rules;
}

void QuorvaneViewModel::setRenameRules(RenameRuleList rules, int editedIndex)
{
    if (rules.empty())
        rules.push_back({ RenameParameters {}, false });
    m_editedRuleIndex = std::clamp(editedIndex, 0, static_cast<int>(rules.size()) - 1);
    RenameParameters edited = rules[static_cast<std::size_t>(m_editedRuleIndex)].parameters;
    m_renameRules = std::move(rules);
    setRenameParameters(std::move(edited));
}

void QuorvaneViewModel::selectRule(int index)
{
    if (index < 0 || index >= static_cast<int>(m_renameRules.size()) || index == m_editedRuleIndex)
        return;
    // Only which rule is shown changes; the apply stays as armed as it was.
    m_renameRules[static_cast<std::size_t>(m_editedRuleIndex)].parameters = m_renameParameters;
    m_editedRuleIndex = index;
    m_renameParameters = m_renameRules[static_cast<std::size_t>(index)].parameters;
    Q_EMIT renameParametersChanged();
    Q_EMIT renameRulesChanged();
}

void QuorvaneViewModel::addRule(RenameStrategy strategy)
{
    RenameRuleList rules = renameRules();
    RenameRule rule;
    rule.parameters.strategy = strategy;
    rules.push_back(std::move(rule));
    const int added = static_cast<int>(rules.size()) - 1;
    setRenameRules(std::move(rules), added);
    updateRenamePlans();
}

void QuorvaneViewModel::removeRule(int index)
{
    if (m_renameRules.size() < 2 || index < 0 || index >= static_cast<int>(m_renameRules.size()))
        return;
    RenameRuleList rules = renameRules();
    rules.erase(rules.begin() + index);
    setRenameRules(std::move(rules), m_editedRuleIndex > index ? m_editedRuleIndex - 1 : m_editedRuleIndex);
    updateRenamePlans();
}

void QuorvaneViewModel::moveRule(int from, int to)
{
    const int count = static_cast<int>(m_renameRules.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    RenameRuleList rules = renameRules();
    RenameRule moved = std::move(rules[static_cast<std::size_t>(from)]);
    rules.erase(rules.begin() + from);
    rules.insert(rules.begin() + to, std::move(moved));
    // The edited rule keeps being edited wherever it went.
    int edited = m_editedRuleIndex;
    if (edited == from)
        edited = to;
    else if (from < edited && edited <= to)
        --edited;
    else if (to <= edited && edited < from)
        ++edited;
    setRenameRules(std::move(rules), edited);
    updateRenamePlans();
}

void QuorvaneViewModel::setRuleEnabled(int index, bool enabled)
{
    if (index < 0 || index >= static_cast<int>(m_renameRules.size())
        || m_renameRules[static_cast<std::size_t>(index)].enabled == enabled)
        return;
    RenameRuleList rules = renameRules();
    rules[static_cast<std::size_t>(index)].enabled = enabled;
    setRenameRules(std::move(rules), m_editedRuleIndex);
    updateRenamePlans();
}
