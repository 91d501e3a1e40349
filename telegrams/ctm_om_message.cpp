#include "telegrams/ctm_om_message.h"

#include <type_traits>

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;
using O = CTM_fieldOption;

constexpr F lsId = F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern);

// Transport specification: a switch "1" selects the criterion's value, "0" its
// filler. The criteria's switches and values stand where CTM_itemCriteria says.
enum : std::size_t { specId = 2, routingPriority, structVersion, exitPoints = 24, startTime, endTime };

constexpr c_pattern modIndicatorPattern{"[ADU]"};
constexpr c_pattern specIdPattern{"[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z]"};
constexpr c_pattern blankOrZero{"[ 0]"};

constexpr F switchField(const char* name, std::span<const O> options) {
  return F::m_selector(name, 1, &ctm_flagPattern, options);
}
// A filler that is always the same text: its pattern and the value written.
constexpr F filler(const char* name, const c_pattern& text) {
  return F::m_fixedText(name, static_cast<int>(text.m_source().size()), &text, text.m_source().data());
}

constexpr c_pattern elevenBlanks{"           "};
constexpr c_pattern sixteenBlanks{"                "};
constexpr c_pattern oneZero{"0"};
constexpr c_pattern tenZeros{"0000000000"};
constexpr c_pattern oneBlank{" "};
constexpr c_pattern threeBlanks{"   "};
constexpr c_pattern fourBlanks{"    "};
constexpr c_pattern fourZeros{"0000"};
constexpr c_pattern fiveZeros{"00000"};

constexpr F bitId[] = {F::m_text("BIT_ID", 11, &ctm_bitIdPattern)};
constexpr F bitIdFiller[] = {filler("BIT_ID", elevenBlanks)};
constexpr O bitIdOptions[] = {{"1", bitId}, {"0", bitIdFiller}};
constexpr F status[] = {F::m_selector("BIT_status", 16, nullptr, ctm_bitStatusOptions)};
constexpr F statusFiller[] = {filler("BIT_status", sixteenBlanks)};
constexpr O statusOptions[] = {{"1", status}, {"0", statusFiller}};
constexpr F selection[] = {F::m_int("selectionID", 1)};
constexpr F selectionFiller[] = {filler("selectionID", oneZero)};
constexpr O selectionOptions[] = {{"1", selection}, {"0", selectionFiller}};
constexpr F lpc[] = {F::m_text("LPC", 10, &ctm_lpcPattern)};
constexpr F lpcFiller[] = {filler("LPC", tenZeros)};
constexpr O lpcOptions[] = {{"1", lpc}, {"0", lpcFiller}};
constexpr F inbound[] = {F::m_text("inboundFlightID", 16, &ctm_flightPattern)};
constexpr F inboundFiller[] = {filler("inboundFlightID", sixteenBlanks)};
constexpr O inboundOptions[] = {{"1", inbound}, {"0", inboundFiller}};
constexpr F outbound[] = {F::m_text("outboundFlightID", 16, &ctm_flightPattern)};
constexpr F outboundFiller[] = {filler("outboundFlightID", sixteenBlanks)};
constexpr O outboundOptions[] = {{"1", outbound}, {"0", outboundFiller}};
constexpr F cabinClass[] = {F::m_text("outboundCabinClass", 1, &ctm_cabinClassPattern)};
constexpr F cabinClassFiller[] = {filler("outboundCabinClass", oneBlank)};
constexpr O cabinClassOptions[] = {{"1", cabinClass}, {"0", cabinClassFiller}};
constexpr F destination[] = {F::m_text("outboundDestination", 3, &ctm_airportPattern)};
constexpr F destinationFiller[] = {filler("outboundDestination", threeBlanks)};
constexpr O destinationOptions[] = {{"1", destination}, {"0", destinationFiller}};
constexpr F onward[] = {F::m_text("onwardConnection", 1, &ctm_flagPattern)};
constexpr F onwardFiller[] = {F::m_text("onwardConnection", 1, &blankOrZero)};
constexpr O onwardOptions[] = {{"1", onward}, {"0", onwardFiller}};
constexpr F exceptionData[] = {F::m_text("baggageExceptionData", 4, &ctm_exceptionDataPattern)};
constexpr F exceptionDataFiller[] = {filler("baggageExceptionData", fourBlanks)};
constexpr O exceptionDataOptions[] = {{"1", exceptionData}, {"0", exceptionDataFiller}};
constexpr F tubbing[] = {F::m_text("tubbingNecessity", 1, &ctm_flagPattern)};
constexpr F tubbingFiller[] = {F::m_text("tubbingNecessity", 1, &blankOrZero)};
constexpr O tubbingOptions[] = {{"1", tubbing}, {"0", tubbingFiller}};
constexpr F tubbed[] = {F::m_text("tubbedIndicator", 1, &ctm_flagPattern)};
constexpr F tubbedFiller[] = {F::m_text("tubbedIndicator", 1, &blankOrZero)};
constexpr O tubbedOptions[] = {{"1", tubbed}, {"0", tubbedFiller}};
constexpr F requiredLevel[] = {F::m_int("requiredScreenLevel", 1)};
constexpr F requiredLevelFiller[] = {filler("requiredScreenLevel", oneZero)};
constexpr O requiredLevelOptions[] = {{"1", requiredLevel}, {"0", requiredLevelFiller}};
constexpr F reachedLevel[] = {F::m_int("reachedScreenLevel", 1)};
constexpr F reachedLevelFiller[] = {filler("reachedScreenLevel", oneZero)};
constexpr O reachedLevelOptions[] = {{"1", reachedLevel}, {"0", reachedLevelFiller}};
constexpr F size[] = {F::m_int("length", 5), F::m_int("height", 5), F::m_int("width", 5)};
constexpr F sizeFiller[] = {filler("length", fiveZeros), filler("height", fiveZeros), filler("width", fiveZeros)};
constexpr O sizeOptions[] = {{"1", size}, {"0", sizeFiller}};
constexpr F weight[] = {F::m_int("weight", 4)};
constexpr F weightFiller[] = {filler("weight", fourZeros)};
constexpr O weightOptions[] = {{"1", weight}, {"0", weightFiller}};
constexpr F fsc[] = {F::m_int("FSC", 4)};
constexpr F fscFiller[] = {filler("FSC", fourZeros)};
constexpr O fscOptions[] = {{"1", fsc}, {"0", fscFiller}};

constexpr F exitPoint[] = {F::m_text("logicalExitPoint", 9, &ctm_logicalPointPattern)};

constexpr F transSpecFields[] = {lsId,
                                 F::m_text("modIndicator", 1, &modIndicatorPattern),
                                 F::m_text("transportSpecID", 10, &specIdPattern),
                                 F::m_int("routingPriority", 2),
                                 F::m_int("structVersionID", 2),
                                 switchField("BIT_ID_relevant", bitIdOptions),
                                 switchField("BIT_status_relevant", statusOptions),
                                 switchField("selectionID_relevant", selectionOptions),
                                 switchField("LPC_relevant", lpcOptions),
                                 switchField("inboundFlightID_relevant", inboundOptions),
                                 switchField("outboundFlightID_relevant", outboundOptions),
                                 switchField("outboundCabinClass_relevant", cabinClassOptions),
                                 switchField("outboundDestination_relevant", destinationOptions),
                                 switchField("onwardConnection_relevant", onwardOptions),
                                 F::m_text("passengerName_relevant", 1, &ctm_flagPattern),
                                 F::m_text("passengerName", 20),
                                 switchField("baggageExceptionData_relevant", exceptionDataOptions),
                                 switchField("tubbingNecessity_relevant", tubbingOptions),
                                 switchField("tubbedIndicator_relevant", tubbedOptions),
                                 switchField("requiredScreenLevel_relevant", requiredLevelOptions),
                                 switchField("reachedScreenLevel_relevant", reachedLevelOptions),
                                 switchField("size_relevant", sizeOptions),
                                 switchField("weight_relevant", weightOptions),
                                 switchField("FSC_relevant", fscOptions),
                                 F::m_count("fieldCount", 3, exitPoint, CTM_om03_message::maxExitPoints),
                                 F::m_dateTime("startTime"),
                                 F::m_dateTime("endTime")};
static_assert(std::size(transSpecFields) == endTime + 1);

// OC sends complete items; only the cabin class may be blank.
constexpr CTM_itemDataPatterns ocItemData{&ctm_lpcPattern,     &ctm_flightPattern, &ctm_cabinClassOrBlankPattern,
                                          &ctm_airportPattern, &ctm_flagPattern,   &ctm_exceptionDataPattern};
constexpr auto itemRecordFields = ctm_withItemRecord<1>({lsId}, CTM_itemRecord::m_fields(ocItemData));

constexpr F selectedItem[] = {F::m_text("BIT_ID", 11, &ctm_bitIdPattern)};
constexpr F selectionFields[] = {F::m_int("selectionID", 1),
                                 F::m_count("fieldCount", 3, selectedItem, CTM_om09_message::maxItems)};

constexpr T omTypes[] = {{"00", &T::m_make<CTM_om00_message>}, {"02", &T::m_make<CTM_om02_message>},
                         {"03", &T::m_make<CTM_om03_message>}, {"04", &T::m_make<CTM_om04_message>},
                         {"05", &T::m_make<CTM_om05_message>}, {"08", &T::m_make<CTM_om08_message>},
                         {"09", &T::m_make<CTM_om09_message>}};

}  // namespace

const CTM_telegramPair ctm_omPair{"O", "M", omTypes};

CTM_om00_message::CTM_om00_message() : CTM_om_message("00") {}
CTM_om02_message::CTM_om02_message() : CTM_om_message("02") {}
CTM_om03_message::CTM_om03_message() : CTM_om_message("03", transSpecFields) {}
CTM_om04_message::CTM_om04_message() : CTM_om_message("04") {}
CTM_om05_message::CTM_om05_message() : CTM_om_message("05") {}
CTM_om08_message::CTM_om08_message() : CTM_itemRecordTelegram("08", itemRecordFields) {}
CTM_om09_message::CTM_om09_message() : CTM_om_message("09", selectionFields) {}

namespace {

bool selectsLayout(const CTM_messageFieldValue* relevantSwitch) {
  return relevantSwitch != nullptr && relevantSwitch->m_definition().m_isSelector();
}

// One switch may serve several criteria (the three sizes): any relevant one
// makes all take part, so that no restriction of the transport specification is lost.
bool switchIsOn(const CTM_transSpec& spec, std::size_t switchField) {
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i)
    if (CTM_itemCriteria::table[i].om03Fields.relevant == switchField && spec.m_getRelevance()[i]) return true;
  return false;
}

}  // namespace

CTM_messageFieldValue* CTM_om03_message::m_valueField(const CTM_itemCriterion& criterion) {
  CTM_messageFieldValue* relevantSwitch = m_field(criterion.om03Fields.relevant);
  if (selectsLayout(relevantSwitch)) return m_layoutField(relevantSwitch, criterion.om03Fields.value);
  return m_field(criterion.om03Fields.value);
}

const CTM_messageFieldValue* CTM_om03_message::m_valueField(const CTM_itemCriterion& criterion) const {
  return const_cast<CTM_om03_message*>(this)->m_valueField(criterion);
}

std::unique_ptr<CTM_transSpec> CTM_om03_message::m_getTransSpec() const {
  auto spec = std::make_unique<CTM_transSpec>();
  spec->m_setTransportSpecID(m_textOf(m_field(specId)));
  spec->m_setRoutingPriority(m_intOf(m_field(routingPriority)));
  spec->m_setStructVersionID(m_intOf(m_field(structVersion)));
  CTM_itemData criteria;
  CTM_itemCriteria::c_relevance relevant;
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i) {
    const CTM_itemCriterion& criterion = CTM_itemCriteria::table[i];
    relevant[i] = m_flagOf(m_field(criterion.om03Fields.relevant));
    CTM_itemRecord::m_readValue(m_valueField(criterion), criterion, criteria);
  }
  spec->m_setCriteria(criteria, relevant);
  const CTM_messageFieldValue* exits = m_field(exitPoints);
  for (std::size_t g = 0; exits != nullptr && g < exits->m_groupCount(); ++g)
    spec->m_addDestination(exits->m_groupAt(g)[0].m_asString());
  spec->m_setStartTime(static_cast<std::time_t>(m_timeOf(m_field(startTime))));
  spec->m_setEndTime(static_cast<std::time_t>(m_timeOf(m_field(endTime))));
  return spec;
}

bool CTM_om03_message::m_setTransSpec(const CTM_transSpec& spec) {
  bool all = true;
  auto done = [&all](bool result) { all = result && all; };
  done(m_setText(m_field(specId), spec.m_getTransportSpecID()));
  done(m_setInt(m_field(routingPriority), spec.m_getRoutingPriority()));
  done(m_setInt(m_field(structVersion), spec.m_getStructVersionID()));
  const CTM_itemData& criteria = spec.m_getCriteria();
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i) {
    const CTM_itemCriterion& criterion = CTM_itemCriteria::table[i];
    const std::size_t switchField = criterion.om03Fields.relevant;
    const bool relevant = switchIsOn(spec, switchField);
    // Setting the switch selects its layout, whose fillers are written as they are.
    if (i == 0 || CTM_itemCriteria::table[i - 1].om03Fields.relevant != switchField)
      done(m_setText(m_field(switchField), relevant ? "1" : "0"));
    CTM_messageFieldValue* value = m_valueField(criterion);
    if (relevant || !selectsLayout(m_field(switchField))) {
      done(CTM_itemRecord::m_writeValue(value, criterion, criteria));
      continue;
    }
    // A flag's filler keeps the flag: a blank for set, "0" for clear.
    criterion.m_visit(criteria, [&](const auto& flag) {
      if constexpr (std::is_same_v<std::decay_t<decltype(flag)>, bool>) done(m_setText(value, flag ? " " : "0"));
    });
  }
  for (const std::string& exit : spec.m_getDestinations()) done(m_appendGroupTo(m_field(exitPoints), exit));
  done(m_setTime(m_field(startTime), spec.m_getStartTime()));
  done(m_setTime(m_field(endTime), spec.m_getEndTime()));
  return all;
}
