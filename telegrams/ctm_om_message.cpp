#include "telegrams/ctm_om_message.h"

#include "telegrams/ctm_fieldpatterns.h"
#include "tracking/ctm_bitstatus.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;
using O = CTM_fieldOption;

constexpr F lsId = F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern);

// Transport specification: a switch "1" selects the criterion's value, "0" its filler.
enum : std::size_t {
  specId = 2,
  routingPriority,
  structVersion,
  bitIdSwitch,
  statusSwitch,
  selectionSwitch,
  lpcSwitch,
  inboundSwitch,
  outboundSwitch,
  cabinClassSwitch,
  destinationSwitch,
  onwardSwitch,
  passengerNameSwitch,
  passengerName,
  exceptionDataSwitch,
  tubbingSwitch,
  tubbedSwitch,
  requiredLevelSwitch,
  reachedLevelSwitch,
  sizeSwitch,
  weightSwitch,
  fscSwitch,
  exitPoints,
  startTime,
  endTime
};

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

std::unique_ptr<CTM_transSpec> CTM_om03_message::m_getTransSpec() const {
  auto spec = std::make_unique<CTM_transSpec>();
  spec->m_setTransportSpecID(m_textOf(m_field(specId)));
  spec->m_setRoutingPriority(m_intOf(m_field(routingPriority)));
  spec->m_setStructVersionID(m_intOf(m_field(structVersion)));
  spec->m_setBIT_ID(m_enteredTextOf(m_criterion(bitIdSwitch)), m_isRelevant(bitIdSwitch));
  spec->m_setBIT_status(CTM_bitStatus::m_fromField(m_textOf(m_criterion(statusSwitch))), m_isRelevant(statusSwitch));
  spec->m_setSelectionID(m_intOf(m_criterion(selectionSwitch)), m_isRelevant(selectionSwitch));
  spec->m_setLPC(m_enteredTextOf(m_criterion(lpcSwitch)), m_isRelevant(lpcSwitch));
  spec->m_setInboundFlightID(m_enteredTextOf(m_criterion(inboundSwitch)), m_isRelevant(inboundSwitch));
  spec->m_setOutboundFlightID(m_enteredTextOf(m_criterion(outboundSwitch)), m_isRelevant(outboundSwitch));
  spec->m_setOutboundCabinClass(m_enteredTextOf(m_criterion(cabinClassSwitch)), m_isRelevant(cabinClassSwitch));
  spec->m_setOutboundDestination(m_enteredTextOf(m_criterion(destinationSwitch)), m_isRelevant(destinationSwitch));
  spec->m_setOnwardConnection(m_flagOf(m_criterion(onwardSwitch)), m_isRelevant(onwardSwitch));
  spec->m_setPassengerName(m_enteredTextOf(m_field(passengerName)), m_flagOf(m_field(passengerNameSwitch)));
  spec->m_setBaggageExceptionData(m_enteredTextOf(m_criterion(exceptionDataSwitch)),
                                  m_isRelevant(exceptionDataSwitch));
  spec->m_setTubbingNecessity(m_flagOf(m_criterion(tubbingSwitch)), m_isRelevant(tubbingSwitch));
  spec->m_setTubbedIndicator(m_flagOf(m_criterion(tubbedSwitch)), m_isRelevant(tubbedSwitch));
  spec->m_setRequiredScreenLevel(m_intOf(m_criterion(requiredLevelSwitch)), m_isRelevant(requiredLevelSwitch));
  spec->m_setReachedScreenLevel(m_intOf(m_criterion(reachedLevelSwitch)), m_isRelevant(reachedLevelSwitch));
  const bool sizeRelevant = m_isRelevant(sizeSwitch);
  spec->m_setLength(m_intOf(m_criterion(sizeSwitch, 0)), sizeRelevant);
  spec->m_setHeight(m_intOf(m_criterion(sizeSwitch, 1)), sizeRelevant);
  spec->m_setWidth(m_intOf(m_criterion(sizeSwitch, 2)), sizeRelevant);
  spec->m_setWeight(m_intOf(m_criterion(weightSwitch)), m_isRelevant(weightSwitch));
  spec->m_setFSC(m_intOf(m_criterion(fscSwitch)), m_isRelevant(fscSwitch));
  const CTM_messageFieldValue* exits = m_field(exitPoints);
  for (std::size_t g = 0; exits != nullptr && g < exits->m_groupCount(); ++g)
    spec->m_addDestination(exits->m_groupAt(g)[0].m_asString());
  spec->m_setStartTime(static_cast<std::time_t>(m_timeOf(m_field(startTime))));
  spec->m_setEndTime(static_cast<std::time_t>(m_timeOf(m_field(endTime))));
  return spec;
}

template <typename Value>
bool CTM_om03_message::m_setCriterion(std::size_t switchField, bool relevant, const Value& value) {
  if (!m_setText(m_field(switchField), relevant ? "1" : "0")) return false;
  CTM_messageFieldValue* layout = m_layoutField(m_field(switchField), 0);
  return !relevant || (layout != nullptr && layout->m_set(value));
}

bool CTM_om03_message::m_setFlagCriterion(std::size_t switchField, bool relevant, bool value) {
  if (relevant) return m_setCriterion(switchField, true, value ? 1 : 0);
  return m_setCriterion(switchField, false, 0) && m_setText(m_layoutField(m_field(switchField), 0), value ? " " : "0");
}

bool CTM_om03_message::m_setTransSpec(const CTM_transSpec& spec) {
  bool all = true;
  auto done = [&all](bool result) { all = result && all; };
  std::string text;
  int number = 0;
  bool flag = false;
  done(m_setText(m_field(specId), spec.m_getTransportSpecID()));
  done(m_setInt(m_field(routingPriority), spec.m_getRoutingPriority()));
  done(m_setInt(m_field(structVersion), spec.m_getStructVersionID()));
  bool relevant = spec.m_getBIT_ID(text);
  done(m_setCriterion(bitIdSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getBIT_status(text);
  done(m_setCriterion(statusSwitch, relevant, std::string_view(CTM_bitStatus::m_toField(text))));
  relevant = spec.m_getSelectionID(number);
  done(m_setCriterion(selectionSwitch, relevant, number));
  relevant = spec.m_getLPC(text);
  done(m_setCriterion(lpcSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getInboundFlightID(text);
  done(m_setCriterion(inboundSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getOutboundFlightID(text);
  done(m_setCriterion(outboundSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getOutboundCabinClass(text);
  done(m_setCriterion(cabinClassSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getOutboundDestination(text);
  done(m_setCriterion(destinationSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getOnwardConnection(flag);
  done(m_setFlagCriterion(onwardSwitch, relevant, flag));
  relevant = spec.m_getPassengerName(text);
  done(m_setFlag(m_field(passengerNameSwitch), relevant));
  done(m_setText(m_field(passengerName), text));
  relevant = spec.m_getBaggageExceptionData(text);
  done(m_setCriterion(exceptionDataSwitch, relevant, std::string_view(text)));
  relevant = spec.m_getTubbingNecessity(flag);
  done(m_setFlagCriterion(tubbingSwitch, relevant, flag));
  relevant = spec.m_getTubbedIndicator(flag);
  done(m_setFlagCriterion(tubbedSwitch, relevant, flag));
  relevant = spec.m_getRequiredScreenLevel(number);
  done(m_setCriterion(requiredLevelSwitch, relevant, number));
  relevant = spec.m_getReachedScreenLevel(number);
  done(m_setCriterion(reachedLevelSwitch, relevant, number));
  // One switch for three criteria: any relevant size makes all three take part,
  // so that no restriction of the transport specification is lost.
  int length = 0, height = 0, width = 0;
  const bool lengthRelevant = spec.m_getLength(length);
  const bool heightRelevant = spec.m_getHeight(height);
  const bool widthRelevant = spec.m_getWidth(width);
  const bool sizeRelevant = lengthRelevant || heightRelevant || widthRelevant;
  done(m_setCriterion(sizeSwitch, sizeRelevant, length));
  if (sizeRelevant) {
    done(m_setInt(m_layoutField(m_field(sizeSwitch), 1), height));
    done(m_setInt(m_layoutField(m_field(sizeSwitch), 2), width));
  }
  relevant = spec.m_getWeight(number);
  done(m_setCriterion(weightSwitch, relevant, number));
  relevant = spec.m_getFSC(number);
  done(m_setCriterion(fscSwitch, relevant, number));
  for (const std::string& exit : spec.m_getDestinations()) done(m_appendGroupTo(m_field(exitPoints), exit));
  done(m_setTime(m_field(startTime), spec.m_getStartTime()));
  done(m_setTime(m_field(endTime), spec.m_getEndTime()));
  return all;
}
