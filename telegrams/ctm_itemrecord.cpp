#include "telegrams/ctm_itemrecord.h"

#include <string>
#include <string_view>

#include "tracking/ctm_bitstatus.h"

namespace {

// Positions within the record.
enum : std::size_t {
  structVersion,
  bitId,
  status,
  selection,
  lpc,
  inboundFlight,
  outboundFlight,
  cabinClass,
  destination,
  onwardConnection,
  passengerName,
  exceptionData,
  tubbingNecessity,
  tubbedIndicator,
  requiredScreenLevel,
  reachedScreenLevel,
  length,
  height,
  width,
  weight,
  fsc
};

int screeningLevelField(int level) { return level >= 0 && level <= 9 ? level : 9; }

bool flagOf(const CTM_messageFieldValue& field) { return field.m_asString() != "0"; }

}  // namespace

bool CTM_itemRecord::m_write(std::span<CTM_messageFieldValue> record, const CTM_BIT& item) {
  if (record.size() < fieldCount) return false;
  bool all = true;
  auto text = [&](std::size_t k, std::string_view value) { all = record[k].m_set(value) && all; };
  auto number = [&](std::size_t k, int value) { all = record[k].m_set(value) && all; };
  auto flag = [&](std::size_t k, bool value) { all = record[k].m_setFlag(value) && all; };
  number(structVersion, item.m_getStructVersionID());
  text(bitId, item.m_getBIT_ID());
  text(status, CTM_bitStatus::m_toField(item.m_getStatus()));
  number(selection, item.m_getSelectionID());
  text(lpc, item.m_getLPC());
  flag(tubbingNecessity, item.m_getTubbingNecessity());
  flag(tubbedIndicator, item.m_getTubbedIndicator());
  text(inboundFlight, item.m_getInboundFlightID());
  text(outboundFlight, item.m_getOutboundFlightID());
  text(cabinClass, item.m_getOutboundCabinClass());
  text(destination, item.m_getOutboundDestination());
  flag(onwardConnection, item.m_getOnwardConnection());
  text(passengerName, item.m_getPassengerName());
  text(exceptionData, item.m_getBaggageExceptionData());
  number(requiredScreenLevel, screeningLevelField(item.m_getRequiredScreenLevel()));
  number(reachedScreenLevel, screeningLevelField(item.m_getReachedScreenLevel()));
  number(length, item.m_getLength());
  number(height, item.m_getHeight());
  number(width, item.m_getWidth());
  number(weight, item.m_getWeight());
  number(fsc, item.m_getFSC());
  return all;
}

std::unique_ptr<CTM_BIT> CTM_itemRecord::m_read(std::span<const CTM_messageFieldValue> record) {
  auto item = std::make_unique<CTM_BIT>();
  if (record.size() < fieldCount) return item;
  item->m_setStructVersionID(record[structVersion].m_asInt());
  item->m_setBIT_ID(record[bitId].m_enteredText());
  // A word the item does not know ("TO_BE_READ") leaves it without status.
  item->m_setStatus(CTM_bitStatus::m_fromField(record[status].m_asString()));
  item->m_setSelectionID(record[selection].m_asInt());
  item->m_setLPC(record[lpc].m_enteredText());
  item->m_setTubbingNecessity(flagOf(record[tubbingNecessity]));
  item->m_setTubbedIndicator(flagOf(record[tubbedIndicator]));
  item->m_setInboundFlightID(record[inboundFlight].m_enteredText());
  item->m_setOutboundFlightID(record[outboundFlight].m_enteredText());
  item->m_setOutboundCabinClass(record[cabinClass].m_enteredText());
  item->m_setOutboundDestination(record[destination].m_enteredText());
  item->m_setOnwardConnection(flagOf(record[onwardConnection]));
  item->m_setPassengerName(record[passengerName].m_enteredText());
  item->m_setBaggageExceptionData(record[exceptionData].m_enteredText());
  item->m_setRequiredScreenLevel(record[requiredScreenLevel].m_asInt());
  item->m_setReachedScreenLevel(record[reachedScreenLevel].m_asInt());
  item->m_setLength(record[length].m_asInt());
  item->m_setHeight(record[height].m_asInt());
  item->m_setWidth(record[width].m_asInt());
  item->m_setWeight(record[weight].m_asInt());
  item->m_setFSC(record[fsc].m_asInt());
  return item;
}
