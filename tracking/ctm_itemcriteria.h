#pragma once
// The criteria: the members of CTM_itemData that a transport specification may
// ask for, in the order of the item record (whose structVersionID comes before
// them). One row each gives the member, how a transport specification's value
// compares with an item's, its label in trace records, and where it stands in a
// line of the default file and in OM03. Matching, taking over another record's
// data, the default file, OM03, the item-record telegrams and the trace records
// all follow this table.

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <variant>

#include "tracking/ctm_itemdata.h"

struct CTM_itemCriterion {
  // How a transport specification's value compares with an item's.
  enum class c_comparison {
    equal,
    text,        // equal whatever trailing blanks pad either
    statusWord,  // equal as status words ("GARBAGE" is "GARB"); "NO_READ" also takes the items no reader identified
  };
  // A criterion's relevant switch and its value. In the default file both are
  // columns. In OM03 the switch is a field and the value field k of the layout
  // the switch selects or, where the switch has no layout, a field of the telegram.
  struct c_position {
    std::size_t relevant;
    std::size_t value;
  };
  // A trace record shows the member as "<label>=(<value>)", a flag as "Yes" or `no`.
  struct c_trace {
    const char* label = nullptr;  // none: trace records leave it out
    const char* no = "No";
  };
  using c_member = std::variant<std::string CTM_itemData::*, int CTM_itemData::*, bool CTM_itemData::*>;

  const char* name;  // as its fields are named in OM03 and the item record
  c_member member;
  c_comparison comparison;
  c_trace trace;
  c_position fileColumns;
  c_position om03Fields;

  // Calls visit with the member of data: a std::string, int or bool, const as data is.
  template <class Data, class Visitor>
  constexpr decltype(auto) m_visit(Data& data, Visitor&& visit) const {
    return std::visit([&](auto pointer) -> decltype(auto) { return visit(data.*pointer); }, member);
  }
  // Whether the item's member satisfies a transport specification's wanted value.
  bool m_matches(const CTM_itemData& wanted, const CTM_itemData& item) const;
  void m_copy(const CTM_itemData& from, CTM_itemData& to) const;
};

class CTM_itemCriteria {
  using C = CTM_itemCriterion::c_comparison;

 public:
  enum c_id : std::size_t {
    BIT_ID, BIT_status, selectionID, LPC, inboundFlightID, outboundFlightID, outboundCabinClass,
    outboundDestination, onwardConnection, passengerName, baggageExceptionData, tubbingNecessity, tubbedIndicator,
    requiredScreenLevel, reachedScreenLevel, length, height, width, weight, FSC,
    count
  };
  // Which criteria take part in a match, by c_id.
  using c_relevance = std::bitset<count>;

  // In c_id order.
  static constexpr std::array<CTM_itemCriterion, count> table{{
    // name, member, how it compares, trace label, default-file columns and OM03 fields (relevant, value)
    {"BIT_ID",               &CTM_itemData::BIT_ID_,              C::text,       {},               {6, 7},   {5, 0}},
    {"BIT_status",           &CTM_itemData::status_,              C::statusWord, {"Status"},       {8, 9},   {6, 0}},
    {"selectionID",          &CTM_itemData::selectionID_,         C::equal,      {"Selection"},    {10, 11}, {7, 0}},
    {"LPC",                  &CTM_itemData::LPC_,                 C::text,       {"LPC"},          {12, 13}, {8, 0}},
    {"inboundFlightID",      &CTM_lpcInfo::inboundFlightID_,      C::text,       {"InID"},         {14, 15}, {9, 0}},
    {"outboundFlightID",     &CTM_lpcInfo::outboundFlightID_,     C::text,       {"OutID"},        {16, 17}, {10, 0}},
    {"outboundCabinClass",   &CTM_lpcInfo::outboundCabinClass_,   C::text,       {"OutCC"},        {18, 19}, {11, 0}},
    {"outboundDestination",  &CTM_lpcInfo::outboundDestination_,  C::text,       {"OutDes"},       {20, 21}, {12, 0}},
    {"onwardConnection",     &CTM_lpcInfo::onwardConnection_,     C::equal,      {"Outonw"},       {22, 23}, {13, 0}},
    {"passengerName",        &CTM_lpcInfo::passengerName_,        C::text,       {"PaName"},       {24, 25}, {14, 15}},
    {"baggageExceptionData", &CTM_lpcInfo::baggageExceptionData_, C::text,       {"Excep"},        {26, 27}, {16, 0}},
    {"tubbingNecessity",     &CTM_itemData::tubbingNecessity_,    C::equal,      {"TubNec"},       {28, 29}, {17, 0}},
    {"tubbedIndicator",      &CTM_itemData::tubbedIndicator_,     C::equal,      {"TubInd", "NO"}, {30, 31}, {18, 0}},
    {"requiredScreenLevel",  &CTM_itemData::requiredScreenLevel_, C::equal,      {"Req"},          {32, 33}, {19, 0}},
    {"reachedScreenLevel",   &CTM_itemData::reachedScreenLevel_,  C::equal,      {"Rea"},          {34, 35}, {20, 0}},
    // One switch, in the file as in OM03, makes the three sizes relevant together.
    {"length",               &CTM_itemData::length_,              C::equal,      {"L"},            {36, 37}, {21, 0}},
    {"height",               &CTM_itemData::height_,              C::equal,      {"H"},            {36, 38}, {21, 1}},
    {"width",                &CTM_itemData::width_,               C::equal,      {"W"},            {36, 39}, {21, 2}},
    {"weight",               &CTM_itemData::weight_,              C::equal,      {"W"},            {40, 41}, {22, 0}},
    {"FSC",                  &CTM_itemData::FSC_,                 C::equal,      {"FSC"},          {42, 43}, {23, 0}},
  }};

  // Every relevant criterion satisfied by the item.
  static bool m_matches(const CTM_itemData& wanted, const c_relevance& relevant, const CTM_itemData& item);
};
