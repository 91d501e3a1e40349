#pragma once
// The check that keeps every field table honest: patterns compile and fit their
// widths, recorded counts and limits agree with the tables and the widths, the
// number formats suit their types, and a telegram filled to the limit its
// appenders allow fits the 999 characters of a data part.

#include <span>
#include <string>
#include <vector>

#include "telegrams/ctm_message.h"

// One line per fault of the table (and of its groups and layouts); empty when sound.
std::vector<std::string> ctm_checkFieldTable(std::span<const CTM_fieldDefinition> table);

// The longest data part a sender can build: every count field at its append
// limit, the longest option layout, numbers at their widths and a
// rest-of-telegram text at its one-character minimum.
int ctm_largestDataPart(std::span<const CTM_fieldDefinition> table);

// Checks every type of the pairs: the pair's codes fit its header, type ids are
// two distinct digits, each object is of its pair and type with one value per
// record, and its field table passes ctm_checkFieldTable.
std::vector<std::string> ctm_checkPairs(std::span<const CTM_telegramPair* const> pairs);
