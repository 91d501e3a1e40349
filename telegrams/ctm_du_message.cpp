#include "telegrams/ctm_du_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F logicalConnectID = F::m_text("logical_connect_ID", 9, &ctm_logicalPointPattern);
constexpr F connectionID = F::m_int("connectionID", 3);

constexpr F connection[] = {connectionID, F::m_text("operationalStatus", 1, &ctm_flagPattern)};
constexpr F connectionStateFields[] = {
    logicalConnectID, F::m_count("connectionCount", 3, connection, CTM_du01_message::maxConnections)};

constexpr F handedOverFields[] = {logicalConnectID, F::m_text("BIT_ID", 11, &ctm_bitIdPattern), connectionID};

constexpr T duTypes[] = {{"00", &T::m_make<CTM_du00_message>},
                         {"01", &T::m_make<CTM_du01_message>},
                         {"11", &T::m_make<CTM_du11_message>}};

}  // namespace

const CTM_telegramPair ctm_duPair{"D", "U", duTypes};

CTM_du00_message::CTM_du00_message() : CTM_du_message("00") {}
CTM_du01_message::CTM_du01_message() : CTM_logicalConnection("01", connectionStateFields) {}
CTM_du11_message::CTM_du11_message() : CTM_logicalConnection("11", handedOverFields) {}
