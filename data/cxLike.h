#pragma once
// The LIKE condition of filters over byte strings, and the classification of its templates.
#include <string>
#include <string_view>

enum TcxLikeTemplateKind { ltkNone = 0, ltkTrailing = 1, ltkLeading = 2, ltkBoth = 3 };

// True when the whole text matches the whole template; matching is byte-exact and case-sensitive.
bool LikeStr(std::string_view AText, std::string_view ATemplate, char APercent = '%', char AUnderscore = '_');
void CollapsePercents(std::string& ATemplate, char APercent = '%');
// Strips the leading and trailing wildcard that the kind reports, after collapsing doubled wildcards.
TcxLikeTemplateKind GetLikeTemplateKind(std::string& ATemplate, char APercent = '%');
