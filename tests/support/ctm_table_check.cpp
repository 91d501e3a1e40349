#include "tests/support/ctm_table_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string_view>

namespace {

void checkTable(std::span<const CTM_fieldDefinition> table, const std::string& where, bool topLevel,
                std::vector<std::string>& faults);

void checkField(const CTM_fieldDefinition& field, const std::string& where, bool last, bool topLevel,
                std::vector<std::string>& faults) {
  auto fault = [&](const std::string& what) { faults.push_back(where + ": " + what); };
  const bool number = field.type == CTM_fieldType::integer || field.type == CTM_fieldType::longInteger ||
                      field.type == CTM_fieldType::real || field.type == CTM_fieldType::realAlt;
  const bool text = field.type == CTM_fieldType::text;
  if (!number && !text && field.type != CTM_fieldType::dateTime)
    fault("unknown type code " + std::to_string(static_cast<int>(field.type)));
  if (field.width == CTM_fieldDefinition::restOfTelegram) {
    if (!text) fault("only a text can take the rest of the telegram");
    if (!last || !topLevel) fault("a rest-of-telegram field must be the last of the top table");
  } else if (field.width <= 0 || field.width > CTM_message::maxDataLength) {
    fault("width " + std::to_string(field.width) + " outside 1.." + std::to_string(CTM_message::maxDataLength));
  }
  if (number && (field.inFormat == nullptr || !CTM_messageFieldValue::m_isNumberFormat(field.outFormat, field.type)))
    fault("number formats do not suit the type");
  if (field.type == CTM_fieldType::dateTime &&
      (field.width != 14 || field.outFormat == nullptr || std::string_view(field.outFormat) != "%Y%m%d%H%M%S"))
    fault("a date-time is written as %Y%m%d%H%M%S in 14 characters");
  if (field.pattern != nullptr) {
    if (!text) fault("only a text has a pattern");
    if (!field.pattern->m_isValid())
      fault("pattern \"" + std::string(field.pattern->m_source()) + "\" does not compile");
    else if (field.pattern->m_length() != field.width)
      fault("pattern \"" + std::string(field.pattern->m_source()) + "\" matches " +
            std::to_string(field.pattern->m_length()) + " characters, the field has " + std::to_string(field.width));
  }
  if (text && field.outFormat != nullptr) {
    std::string_view fixed(field.outFormat);
    if (static_cast<int>(fixed.size()) != field.width) fault("fixed value does not fill the width");
    if (field.pattern != nullptr && !field.pattern->m_matches(fixed)) fault("fixed value does not match the pattern");
  }
  if (field.m_isCount()) {
    if (field.type != CTM_fieldType::integer) fault("a count field is an int");
    if (field.m_isSelector()) fault("a field cannot both count and select");
    int largest = 1;
    for (int digit = 0; digit < field.width && largest < 1000000000; ++digit) largest *= 10;
    if (field.maxRepetitions <= 0 || field.maxRepetitions > largest - 1)
      fault("maximum " + std::to_string(field.maxRepetitions) + " does not fit " + std::to_string(field.width) +
            " digits");
    if (field.maxAppend < 0 || field.m_appendLimit() > field.maxRepetitions)
      fault("append limit above the parse maximum");
    checkTable(field.group, where + "." + field.name, false, faults);
  } else if (field.maxRepetitions != 0 || field.maxAppend != 0) {
    fault("repetitions recorded on a field that counts nothing");
  }
  if (field.m_isSelector()) {
    if (!text) fault("a selector is a text");
    std::set<std::string_view> values;
    for (const CTM_fieldOption& option : field.options) {
      std::string_view value(option.value ? option.value : "");
      if (static_cast<int>(value.size()) != field.width)
        fault("option \"" + std::string(value) + "\" does not fill the width");
      if (field.pattern != nullptr && !field.pattern->m_matches(value))
        fault("option \"" + std::string(value) + "\" does not match the pattern");
      if (!values.insert(value).second) fault("option \"" + std::string(value) + "\" twice");
      if (!option.layout.empty())
        checkTable(option.layout, where + "[" + std::string(value) + "]", false, faults);
    }
  }
}

void checkTable(std::span<const CTM_fieldDefinition> table, const std::string& where, bool topLevel,
                std::vector<std::string>& faults) {
  if (table.empty()) faults.push_back(where + ": empty table");
  for (std::size_t i = 0; i < table.size(); ++i) {
    const CTM_fieldDefinition& field = table[i];
    std::string name = field.name && *field.name ? field.name : "#" + std::to_string(i);
    if (!field.name || !*field.name) faults.push_back(where + ": field " + name + " has no name");
    checkField(field, where + "/" + name, i + 1 == table.size(), topLevel, faults);
  }
}

}  // namespace

std::vector<std::string> ctm_checkFieldTable(std::span<const CTM_fieldDefinition> table) {
  std::vector<std::string> faults;
  checkTable(table, "", true, faults);
  int largest = ctm_largestDataPart(table);
  if (largest > CTM_message::maxDataLength)
    faults.push_back("filled to its append limits the data part has " + std::to_string(largest) +
                     " characters, more than " + std::to_string(CTM_message::maxDataLength));
  return faults;
}

int ctm_largestDataPart(std::span<const CTM_fieldDefinition> table) {
  long total = 0;
  for (const CTM_fieldDefinition& field : table) {
    total += std::max(field.width, 1);
    if (field.m_isCount()) total += static_cast<long>(field.m_appendLimit()) * ctm_largestDataPart(field.group);
    int widestOption = 0;
    for (const CTM_fieldOption& option : field.options)
      widestOption = std::max(widestOption, ctm_largestDataPart(option.layout));
    total += widestOption;
  }
  return static_cast<int>(std::min<long>(total, 1 << 30));
}

std::vector<std::string> ctm_checkPairs(std::span<const CTM_telegramPair* const> pairs) {
  std::vector<std::string> faults;
  for (const CTM_telegramPair* pair : pairs) {
    const std::string pairName = std::string(pair->source) + pair->destination;
    std::set<std::string_view> typeIds;
    for (const CTM_telegramType& type : pair->types) {
      const std::string where = pairName + type.typeId;
      auto fault = [&](const std::string& what) { faults.push_back(where + ": " + what); };
      std::string_view id(type.typeId);
      if (id.size() != 2 || !std::isdigit(static_cast<unsigned char>(id[0])) ||
          !std::isdigit(static_cast<unsigned char>(id[1])))
        fault("type id is not two digits");
      if (!typeIds.insert(id).second) fault("type id twice");
      std::unique_ptr<CTM_message> telegram = type.create();
      if (!telegram) {
        fault("creates nothing");
        continue;
      }
      if (telegram->m_getSource() != pair->source || telegram->m_getDestination() != pair->destination ||
          telegram->m_getTypeId() != id)
        fault("object is " + telegram->m_getId());
      if (static_cast<int>(pairName.size()) + 2 != telegram->m_getHeaderLength() - 9)
        fault("codes do not fit a header of " + std::to_string(telegram->m_getHeaderLength()));
      auto table = telegram->m_fieldTable();
      auto values = telegram->m_fieldValues();
      bool counted = values.size() == table.size();
      for (std::size_t i = 0; counted && i < values.size(); ++i) counted = &values[i].m_definition() == &table[i];
      if (!counted) fault("field values do not follow the table");
      if (table.empty()) continue;
      for (const std::string& tableFault : ctm_checkFieldTable(table)) fault(tableFault);
    }
  }
  return faults;
}
