#pragma once
// Field patterns and option lists that several interface pairs share. Each
// pattern is compiled once, at compile time, and the field tables point at these
// objects.

#include "platform/c_pattern.h"
#include "telegrams/ctm_fielddefinition.h"

// A baggage item id that a transport controller may report blank.
inline constexpr c_pattern ctm_bitIdOrBlankPattern{
    "[ A-Z][ 0-9A-Z][ 0-9A-Z][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9]"};
inline constexpr c_pattern ctm_bitIdPattern{"[A-Z][0-9A-Z][0-9A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]"};
// Five letters or digits, "_", "/" or "-", four digits, "-", a letter, four digits.
inline constexpr c_pattern ctm_equipmentPattern{
    "[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][_/-][0-9][0-9][0-9][0-9][-][A-Z][0-9][0-9][0-9][0-9]"};
// The first ten characters of an equipment code: a technical segment.
inline constexpr c_pattern ctm_segmentPattern{"[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][_/-][0-9][0-9][0-9][0-9]"};
inline constexpr c_pattern ctm_logicalSegmentPattern{"[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]"};
inline constexpr c_pattern ctm_lpcPattern{"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]"};
// Airline of three, flight number of five, date YYYYMMDD.
inline constexpr c_pattern ctm_flightPattern{
    "[0-9A-Z][0-9A-Z][ A-Z][0-9][0-9][0-9][0-9][ A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]"};
inline constexpr c_pattern ctm_flagPattern{"[01]"};
inline constexpr c_pattern ctm_delimiterPattern{";"};
// Item data: cabin class, airport, the four letters of baggage exception data.
inline constexpr c_pattern ctm_cabinClassPattern{"[FCY]"};
inline constexpr c_pattern ctm_airportPattern{"[A-Z][A-Z][A-Z]"};
inline constexpr c_pattern ctm_exceptionDataPattern{"[A-Z][A-Z][A-Z][A-Z]"};
// The same item data where a sender may leave a value blank (nothing entered or known).
inline constexpr c_pattern ctm_lpcOrBlankPattern{"[ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9]"};
inline constexpr c_pattern ctm_flightOrBlankPattern{
    "[ 0-9A-Z][ 0-9A-Z][ A-Z][ 0-9][ 0-9][ 0-9][ 0-9][ A-Z][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9]"};
inline constexpr c_pattern ctm_cabinClassOrBlankPattern{"[ FCY]"};
inline constexpr c_pattern ctm_airportOrBlankPattern{"[ A-Z][ A-Z][ A-Z]"};
inline constexpr c_pattern ctm_exceptionDataOrBlankPattern{"[ A-Z][ A-Z][ A-Z][ A-Z]"};
inline constexpr c_pattern ctm_flagOrBlankPattern{"[ 01]"};
// A technical or logical segment: available or not, and how full it is.
inline constexpr c_pattern ctm_availabilityPattern{"[AN]"};
inline constexpr c_pattern ctm_occupationPattern{"[AEFN]"};
// Nine letters or digits: a logical entry or exit point, or the logical
// connection between a tracking point of one TM and one of its neighbour.
inline constexpr c_pattern ctm_logicalPointPattern{
    "[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]"};

// An item's status word as a 16-character field: blank-padded, "GARB" as
// "GARBAGE", sixteen blanks for no status. "TO_BE_READ" is a word of the peers only.
inline constexpr CTM_fieldOption ctm_bitStatusOptions[] = {
    {"                ", {}}, {"BUFFERED        ", {}}, {"ERROR           ", {}}, {"GARBAGE         ", {}},
    {"MISSING         ", {}}, {"NO_READ         ", {}}, {"SPECIAL_HANDLING", {}}, {"TO_BE_READ      ", {}},
    {"UFO             ", {}}, {"UNK             ", {}}};

static_assert(ctm_bitIdOrBlankPattern.m_isValid() && ctm_bitIdOrBlankPattern.m_length() == 11);
static_assert(ctm_bitIdPattern.m_isValid() && ctm_bitIdPattern.m_length() == 11);
static_assert(ctm_equipmentPattern.m_isValid() && ctm_equipmentPattern.m_length() == 16);
static_assert(ctm_segmentPattern.m_isValid() && ctm_segmentPattern.m_length() == 10);
static_assert(ctm_logicalSegmentPattern.m_isValid() && ctm_logicalSegmentPattern.m_length() == 5);
static_assert(ctm_lpcPattern.m_isValid() && ctm_lpcPattern.m_length() == 10);
static_assert(ctm_flightPattern.m_isValid() && ctm_flightPattern.m_length() == 16);
static_assert(ctm_lpcOrBlankPattern.m_isValid() && ctm_lpcOrBlankPattern.m_length() == 10);
static_assert(ctm_flightOrBlankPattern.m_isValid() && ctm_flightOrBlankPattern.m_length() == 16);
static_assert(ctm_logicalPointPattern.m_isValid() && ctm_logicalPointPattern.m_length() == 9);
