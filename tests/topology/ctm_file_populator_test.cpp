#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"

namespace {

using namespace std::string_literals;

// One plant: TM > LS > TC > TS > tracking points P1 and P2, with extra content at each level.
struct Plant {
  std::string ls = {}, tc = {}, ts = {}, p1 = {};
  std::string text() const {
    return "<topology><transportManager id=\"TM\"><logicalSegment id=\"LS\">" + ls +
           "<transportController id=\"TC\">" + tc + "<ts id=\"TS\">" + ts + "<tp id=\"P1\">" + p1 +
           "</tp><tp id=\"P2\"/></ts></transportController></logicalSegment></transportManager></topology>";
  }
};

std::string inP1(const std::string& content) { return Plant{.p1 = content}.text(); }
std::string inLs(const std::string& content) { return Plant{.ls = content}.text(); }

// A document whose only text is an external entity of that system id.
std::string entityDocument(const std::string& systemId) {
  return "<!DOCTYPE topology [<!ELEMENT topology ANY><!ENTITY x SYSTEM \"" + systemId + "\">]><topology>&x;</topology>";
}

// A TM inside `depth` - 1 unknown elements.
std::string nested(int depth) {
  std::string open, close;
  for (int i = 1; i < depth; ++i) {
    open += "<level>";
    close += "</level>";
  }
  return open + "<transportManager id=\"TM\"/>" + close;
}

// Two TMs, each TM > LS > TC > TS > TP, for links across the plant.
const char* const twoTms = R"(<topology>
  <transportManager id="TMA"><logicalSegment id="LSA"><transportController id="TCA">
    <ts id="TSA1"><tp id="A1"><edge target="B1" weight="4"/></tp><tp id="A2"><edge target="B2"/></tp></ts>
    <ts id="TSA2"><tp id="A3"><edge target="A1"/></tp></ts>
  </transportController></logicalSegment></transportManager>
  <transportManager id="TMB"><logicalSegment id="LSB"><transportController id="TCB">
    <ts id="TSB1"><tp id="B1"/><tp id="B2"/></ts>
  </transportController></logicalSegment></transportManager>
</topology>)";

struct ReadCase {
  const char* name;
  std::string xml;
  std::function<void(const CTM_world&)> check;
};

struct RefuseCase {
  const char* name;
  std::string xml;
  unsigned event;
  std::string message;  // the event's last insertion string
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }
void PrintTo(const RefuseCase& c, std::ostream* out) { *out << c.name; }

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

CTM_node* find(const CTM_world& world, const char* id) {
  CTM_node* node = world.m_findNode(id);
  EXPECT_NE(node, nullptr) << id;
  return node;
}

void expectWeight(const CTM_world& world, int weight) {
  CTM_node* target = nullptr;
  int read = 0;
  ASSERT_TRUE(find(world, "P1")->m_getSuccessorAndWeight(0, target, read));
  EXPECT_EQ(target, find(world, "P2"));
  EXPECT_EQ(read, weight);
}

void expectPosition(const CTM_world& world, int x, int y, int z) {
  const CTM_node* p1 = find(world, "P1");
  EXPECT_EQ(p1->m_getPositionX(), x);
  EXPECT_EQ(p1->m_getPositionY(), y);
  EXPECT_EQ(p1->m_getPositionZ(), z);
}

std::vector<std::string> successorIds(const CTM_node* node) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; node->m_getSuccessor(i); ++i) ids.push_back(node->m_getSuccessor(i)->m_getId());
  return ids;
}

}  // namespace

class PopulateReads : public TopologyFixture, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(PopulateReads, BuildsTheModel) {
  ASSERT_TRUE(populate(GetParam().xml));
  EXPECT_EQ(events_.m_count(ev::TOPO_FILE_READ), 1u);
  GetParam().check(world_);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, PopulateReads,
    ::testing::Values(
        ReadCase{"ParentAndChildFollowTheNesting", Plant{}.text(),
                 [](const CTM_world& world) {
                   const char* chain[] = {"TM", "LS", "TC", "TS", "P1"};
                   for (int i = 1; i < 5; ++i) {
                     EXPECT_EQ(find(world, chain[i])->m_getParent(), find(world, chain[i - 1]));
                     EXPECT_EQ(find(world, chain[i - 1])->m_getChild(0), find(world, chain[i]));
                     EXPECT_EQ(find(world, chain[i])->m_getType(), i);
                   }
                   EXPECT_EQ(find(world, "TS")->m_getChild(1), find(world, "P2"));
                   EXPECT_EQ(find(world, "TM")->m_getParent(), nullptr);
                   EXPECT_EQ(world.m_getTmNodes(), std::vector<CTM_node*>{find(world, "TM")});
                 }},
        ReadCase{"NewNodesHaveNoPositionAndNoMarks", Plant{}.text(),
                 [](const CTM_world& world) {
                   for (CTM_node* node : world.m_getNodesInIdOrder()) {
                     const std::string& id = node->m_getId();
                     EXPECT_EQ(node->m_getPositionX(), -1) << id;
                     EXPECT_EQ(node->m_getPositionY(), -1) << id;
                     EXPECT_EQ(node->m_getPositionZ(), 0) << id;
                     EXPECT_FALSE(node->m_isMarked(0)) << id;
                     EXPECT_TRUE(node->m_isMarked(1)) << id;
                   }
                 }},
        ReadCase{"SameKindNestingIsASuccessorOfWeightOne", inP1("<tp id=\"P0\"/>"),
                 [](const CTM_world& world) {
                   CTM_node* p0 = nullptr;
                   int weight = 0;
                   ASSERT_TRUE(find(world, "P1")->m_getSuccessorAndWeight(0, p0, weight));
                   EXPECT_EQ(p0, find(world, "P0"));
                   EXPECT_EQ(weight, 1);
                   EXPECT_EQ(p0->m_getParent(), nullptr);
                 }},
        ReadCase{"NestedSuccessorsComeBeforeTheEdgesOfTheFile", inP1("<edge target=\"P2\"/><tp id=\"P0\"/>"),
                 [](const CTM_world& world) {
                   EXPECT_EQ(successorIds(find(world, "P1")), (std::vector<std::string>{"P0", "P2"}));
                 }},
        ReadCase{"UnknownElementsAreIgnored",
                 "<plant><site><transportManager id=\"TM\"><note>x</note>"
                 "<logicalSegment id=\"LS\"/></transportManager></site></plant>",
                 [](const CTM_world& world) {
                   EXPECT_EQ(find(world, "LS")->m_getParent(), find(world, "TM"));
                   EXPECT_EQ(world.m_getNodeCount(), 2u);
                 }},
        ReadCase{"AddressDescriptionAndColourGoToTheirNode",
                 "<topology><transportManager id=\"TM\"><address>tm32.plant</address><desc>Hub</desc>"
                 "<logicalSegment id=\"LS\"><color>lightblue</color><offset>5,-6</offset>"
                 "<transportController id=\"TC\"><address>10.0.0.7</address></transportController>"
                 "</logicalSegment></transportManager></topology>",
                 [](const CTM_world& world) {
                   EXPECT_EQ(static_cast<CTM_tm*>(find(world, "TM"))->m_getAddress(), "tm32.plant");
                   EXPECT_EQ(find(world, "TM")->m_getDescription(), "Hub");
                   EXPECT_EQ(static_cast<CTM_tc*>(find(world, "TC"))->m_getAddress(), "10.0.0.7");
                   auto* ls = static_cast<CTM_ls*>(find(world, "LS"));
                   EXPECT_EQ(ls->m_getColor(), "lightblue");
                   EXPECT_EQ(ls->m_getOffsetX(), 5);
                   EXPECT_EQ(ls->m_getOffsetY(), -6);
                 }},
        ReadCase{"DeepestNesting", nested(64),
                 [](const CTM_world& world) { EXPECT_EQ(world.m_getNodeCount(), 1u); }},
        ReadCase{"LongestAttribute", "<transportManager id=\"" + std::string(65536, 'T') + "\"/>",
                 [](const CTM_world& world) { EXPECT_EQ(world.m_getNodeCount(), 1u); }},
        ReadCase{"CommentsAndSpaceAfterTheRoot", Plant{}.text() + "\n<!-- end -->\n<?tm done?>\n",
                 [](const CTM_world& world) { EXPECT_EQ(world.m_getNodeCount(), 6u); }},
        ReadCase{"SegmentWithoutColourOrOffset", Plant{}.text(),
                 [](const CTM_world& world) {
                   auto* ls = static_cast<CTM_ls*>(find(world, "LS"));
                   EXPECT_EQ(ls->m_getColor(), "");
                   EXPECT_EQ(ls->m_getOffsetX(), 0);
                   EXPECT_EQ(ls->m_getOffsetY(), 0);
                 }}),
    caseName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(
    Weights, PopulateReads,
    ::testing::Values(
        ReadCase{"Missing", inP1("<edge target=\"P2\"/>"), [](const CTM_world& w) { expectWeight(w, 1); }},
        ReadCase{"Word", inP1("<edge target=\"P2\" weight=\"slow\"/>"), [](const CTM_world& w) { expectWeight(w, 1); }},
        ReadCase{"LeadingDigits", inP1("<edge target=\"P2\" weight=\"12s\"/>"),
                 [](const CTM_world& w) { expectWeight(w, 12); }},
        ReadCase{"Number", inP1("<edge target=\"P2\" weight=\"12\"/>"), [](const CTM_world& w) { expectWeight(w, 12); }},
        ReadCase{"Zero", inP1("<edge target=\"P2\" weight=\"0\"/>"), [](const CTM_world& w) { expectWeight(w, 0); }},
        ReadCase{"BlanksAndPlus", inP1("<edge target=\"P2\" weight=\" +7\"/>"),
                 [](const CTM_world& w) { expectWeight(w, 7); }},
        ReadCase{"LargestInt", inP1("<edge target=\"P2\" weight=\"2147483647\"/>"),
                 [](const CTM_world& w) { expectWeight(w, 2147483647); }}),
    caseName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(
    Positions, PopulateReads,
    ::testing::Values(
        ReadCase{"TwoNumbers", inP1("<position>10,20</position>"),
                 [](const CTM_world& w) { expectPosition(w, 10, 20, 0); }},
        ReadCase{"ThreeNumbers", inP1("<position> -1, 2,3 </position>"),
                 [](const CTM_world& w) { expectPosition(w, -1, 2, 3); }},
        ReadCase{"FourNumbersKeepThree", inP1("<position>1,2,3,4</position>"),
                 [](const CTM_world& w) { expectPosition(w, 1, 2, 3); }},
        ReadCase{"NoPosition", inP1(""), [](const CTM_world& w) { expectPosition(w, -1, -1, 0); }}),
    caseName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(
    CharacterData, PopulateReads,
    ::testing::Values(
        ReadCase{"EntityReference", inP1("<desc>Check-in &amp; sorter</desc>"),
                 [](const CTM_world& w) { EXPECT_EQ(find(w, "P1")->m_getDescription(), "Check-in & sorter"); }},
        ReadCase{"CdataAndComment", inP1("<desc>a<![CDATA[<b>]]>c<!-- note -->d&#x20AC;</desc>"),
                 [](const CTM_world& w) { EXPECT_EQ(find(w, "P1")->m_getDescription(), "a<b>cd\xE2\x82\xAC"); }},
        ReadCase{"AsciiRunsBetweenCharactersOfEveryLength", inP1("<desc>a\xC3\xA4" "bc\xE2\x82\xAC\xF0\x9D\x84\x9E" "d</desc>"),
                 [](const CTM_world& w) {
                   EXPECT_EQ(find(w, "P1")->m_getDescription(), "a\xC3\xA4" "bc\xE2\x82\xAC\xF0\x9D\x84\x9E" "d");
                 }},
        ReadCase{"MarkupInsideText", inP1("<desc>Hall <b>B</b> east</desc>"),
                 [](const CTM_world& w) { EXPECT_EQ(find(w, "P1")->m_getDescription(), "Hall B east"); }},
        ReadCase{"PositionAcrossPieces", inP1("<position>1<!-- x -->0,2&#48;</position>"),
                 [](const CTM_world& w) { expectPosition(w, 10, 20, 0); }},
        ReadCase{"TextOfTheElementOnly", inP1("<desc>first</desc><position>3,4</position>"),
                 [](const CTM_world& w) {
                   EXPECT_EQ(find(w, "P1")->m_getDescription(), "first");
                   expectPosition(w, 3, 4, 0);
                 }}),
    caseName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(
    DerivedLinks, PopulateReads,
    ::testing::Values(
        ReadCase{"AncestorsAreLinkedOncePerPairWithWeightOne", twoTms,
                 [](const CTM_world& w) {
                   EXPECT_EQ(successorIds(find(w, "TSA1")), std::vector<std::string>{"TSB1"});
                   EXPECT_EQ(successorIds(find(w, "TCA")), std::vector<std::string>{"TCB"});
                   EXPECT_EQ(successorIds(find(w, "LSA")), std::vector<std::string>{"LSB"});
                   EXPECT_EQ(successorIds(find(w, "TMA")), std::vector<std::string>{"TMB"});
                   EXPECT_EQ(find(w, "TMB")->m_getPredecessor(0), find(w, "TMA"));
                   EXPECT_EQ(find(w, "TMB")->m_getPredecessor(1), nullptr);
                   CTM_node* target = nullptr;
                   int weight = 0;
                   ASSERT_TRUE(find(w, "TSA1")->m_getSuccessorAndWeight(0, target, weight));
                   EXPECT_EQ(weight, 1);
                   ASSERT_TRUE(find(w, "A1")->m_getSuccessorAndWeight(0, target, weight));
                   EXPECT_EQ(weight, 4);
                   // Within one transport controller only the technical segments differ.
                   EXPECT_EQ(successorIds(find(w, "TSA2")), std::vector<std::string>{"TSA1"});
                 }},
        ReadCase{"ExplicitAndDerivedLinkBothStayInFileOrderFirst",
                 R"(<topology><transportManager id="TM">
                      <logicalSegment id="L1"><edge target="L2" weight="9"/><transportController id="C1">
                        <ts id="S1"><tp id="P1"><edge target="Q1"/></tp></ts></transportController></logicalSegment>
                      <logicalSegment id="L2"><transportController id="C2">
                        <ts id="S2"><tp id="Q1"/></ts></transportController></logicalSegment>
                    </transportManager></topology>)",
                 [](const CTM_world& w) {
                   EXPECT_EQ(successorIds(find(w, "L1")), (std::vector<std::string>{"L2", "L2"}));
                   CTM_node* target = nullptr;
                   int weight = 0;
                   ASSERT_TRUE(find(w, "L1")->m_getSuccessorAndWeight(0, target, weight));
                   EXPECT_EQ(weight, 9);
                   EXPECT_TRUE(successorIds(find(w, "TM")).empty());
                 }},
        ReadCase{"DerivedLinksAreInsertedInIdOrder",
                 R"(<topology><transportManager id="TM"><logicalSegment id="LS"><transportController id="TC">
                      <ts id="S1"><tp id="P1"><edge target="Z1"/><edge target="Y1"/></tp></ts>
                      <ts id="SZ"><tp id="Z1"/></ts><ts id="SY"><tp id="Y1"/></ts>
                    </transportController></logicalSegment></transportManager></topology>)",
                 [](const CTM_world& w) {
                   EXPECT_EQ(successorIds(find(w, "S1")), (std::vector<std::string>{"SY", "SZ"}));
                 }},
        ReadCase{"WalkStopsAtAncestorsOfDifferentKinds",
                 // Q sits directly in its transport controller: its parent is no technical segment.
                 R"(<topology><transportManager id="TM">
                      <logicalSegment id="L1"><transportController id="C1">
                        <ts id="S1"><tp id="P"><edge target="Q"/></tp></ts></transportController></logicalSegment>
                      <logicalSegment id="L2"><transportController id="C2"><tp id="Q"/></transportController>
                      </logicalSegment></transportManager></topology>)",
                 [](const CTM_world& w) {
                   EXPECT_EQ(find(w, "C2")->m_getParent(), find(w, "L2"));
                   EXPECT_EQ(find(w, "S1")->m_getChildCount(), 1u);
                   EXPECT_TRUE(find(w, "S1")->m_hasNoSuccessors());
                   EXPECT_TRUE(find(w, "L1")->m_hasNoSuccessors());
                 }}),
    caseName<ReadCase>);

class PopulateRefuses : public TopologyFixture, public ::testing::WithParamInterface<RefuseCase> {};

TEST_P(PopulateRefuses, EndsTheParseWithTheEvent) {
  EXPECT_FALSE(populate(GetParam().xml));
  EXPECT_EQ(events_.m_count(ev::TOPO_FILE_READ), 0u);
  ASSERT_EQ(events_.m_count(GetParam().event), 1u);
  if (!GetParam().message.empty()) {
    EXPECT_EQ(lastArgumentOf(GetParam().event), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    HandlerRefusals, PopulateRefuses,
    ::testing::Values(
        RefuseCase{"TargetNotFound", inP1("<edge target=\"P9\"/>"), ev::TOPO_FILE_REFUSED,
                   "Target node \"P9\" of node \"P1\" not found."},
        RefuseCase{"MissingId", inP1("<tp/>"), ev::TOPO_FILE_REFUSED, "Element 'tp' must have a 'id' attribute."},
        RefuseCase{"MissingTarget", inP1("<edge weight=\"3\"/>"), ev::TOPO_FILE_REFUSED,
                   "Element 'edge' must have a 'target' attribute."},
        RefuseCase{"AddressInTrackingPoint", inP1("<address>x</address>"), ev::TOPO_FILE_REFUSED,
                   "misplaced <address> tag."},
        RefuseCase{"ColourInTransportController", Plant{.tc = "<color>red</color>"}.text(), ev::TOPO_FILE_REFUSED,
                   "misplaced <color> tag."},
        RefuseCase{"OffsetInTechnicalSegment", Plant{.ts = "<offset>1,2</offset>"}.text(), ev::TOPO_FILE_REFUSED,
                   "misplaced <offset> tag."},
        RefuseCase{"AddressOutsideNodes", "<topology><address>x</address></topology>", ev::TOPO_FILE_REFUSED,
                   "misplaced <address> tag."},
        RefuseCase{"PositionOutsideNodes", "<topology><position>1,2</position></topology>", ev::TOPO_FILE_REFUSED,
                   "misplaced <position> tag."},
        RefuseCase{"OffsetOutsideNodes", "<offset>1,2</offset>", ev::TOPO_FILE_REFUSED, "misplaced <offset> tag."},
        RefuseCase{"ColourOutsideNodes", "<topology><color>red</color></topology>", ev::TOPO_FILE_REFUSED,
                   "misplaced <color> tag."},
        RefuseCase{"EdgeOutsideNodes", "<topology><edge target=\"x\"/></topology>", ev::TOPO_FILE_REFUSED,
                   "misplaced <edge> tag."},
        RefuseCase{"TrackingPointAtTopLevel", "<topology><tp id=\"P\"/></topology>", ev::TOPO_FILE_REFUSED,
                   "misplaced <tp> tag."},
        RefuseCase{"SegmentAtTopLevel", "<logicalSegment id=\"L\"/>", ev::TOPO_FILE_REFUSED,
                   "misplaced <logicalSegment> tag."},
        RefuseCase{"DuplicateIdLogsTheNode", inP1("<tp id=\"TC\"/>"), ev::TOPO_DUPLICATE_NODE, "TC"},
        RefuseCase{"DuplicateIdEndsTheParse", inP1("<tp id=\"TC\"/>"), ev::TOPO_FILE_REFUSED,
                   "Error while inserting node."},
        RefuseCase{"TextTooLong", inP1("<desc>" + std::string(70000, 'x') + "</desc>"), ev::TOPO_FILE_REFUSED,
                   "Text of an element is longer than 65536 characters."}),
    caseName<RefuseCase>);

INSTANTIATE_TEST_SUITE_P(
    NumberSyntax, PopulateRefuses,
    ::testing::Values(
        RefuseCase{"LonePosition", inP1("<position>10</position>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in position specification."},
        RefuseCase{"BlankBeforeComma", inP1("<position>10 ,20</position>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in position specification."},
        RefuseCase{"PositionTooBig", inP1("<position>99999999999,1</position>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in position specification."},
        RefuseCase{"DepthTooBig", inP1("<position>1,2,-2147483649</position>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in position specification."},
        RefuseCase{"LoneOffset", inLs("<offset>5</offset>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in offset specification."},
        RefuseCase{"ThreeOffsets", inLs("<offset>5,6,7</offset>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in offset specification."},
        RefuseCase{"OffsetTooBig", inLs("<offset>5,2147483648</offset>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in offset specification."},
        RefuseCase{"NegativeWeight", inP1("<edge target=\"P2\" weight=\"-3\"/>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in weight specification."},
        RefuseCase{"WeightTooBig", inP1("<edge target=\"P2\" weight=\"2147483648\"/>"), ev::TOPO_FILE_REFUSED,
                   "Syntax error in weight specification."}),
    caseName<RefuseCase>);

INSTANTIATE_TEST_SUITE_P(
    UntrustedInput, PopulateRefuses,
    ::testing::Values(
        RefuseCase{"NotWellFormed", "<topology><transportManager id=\"TM\"></topology>", ev::TOPO_FILE_PARSE_ERROR, ""},
        RefuseCase{"Empty", "", ev::TOPO_FILE_PARSE_ERROR, ""},
        RefuseCase{"BillionLaughs",
                   R"(<?xml version="1.0"?>
<!DOCTYPE topology [
 <!ENTITY a "aaaaaaaaaa">
 <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
 <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
 <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">
 <!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
 <!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;">
 <!ENTITY g "&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;">
 <!ENTITY h "&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;">
 <!ENTITY i "&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;">
]>
<topology>&i;</topology>)",
                   ev::TOPO_FILE_PARSE_ERROR, ""},
        RefuseCase{"DtdFromTheNetwork",
                   "<!DOCTYPE topology SYSTEM \"http://plant.invalid/topology.dtd\"><topology/>",
                   ev::TOPO_FILE_REFUSED, "External entity \"http://plant.invalid/topology.dtd\" is not a file in the folder of the topology file."},
        RefuseCase{"EntityFromAnotherHost",
                   "<!DOCTYPE topology [<!ELEMENT topology ANY><!ENTITY x SYSTEM \"file://plant.invalid/x\">]>"
                   "<topology>&x;</topology>",
                   ev::TOPO_FILE_REFUSED, "External entity \"file://plant.invalid/x\" is not a file in the folder of the topology file."},
        RefuseCase{"EntityFromADevice",
                   "<!DOCTYPE topology [<!ELEMENT topology ANY><!ENTITY x SYSTEM \"/dev/zero\">]><topology>&x;</topology>",
                   ev::TOPO_FILE_REFUSED, "External entity \"/dev/zero\" is not a file in the folder of the topology file."},
        RefuseCase{"EntityByAbsolutePath", entityDocument("/etc/hostname"), ev::TOPO_FILE_REFUSED,
                   "External entity \"/etc/hostname\" is not a file in the folder of the topology file."},
        RefuseCase{"EntityByFileUrl", entityDocument("file:///etc/hostname"), ev::TOPO_FILE_REFUSED,
                   "External entity \"file:///etc/hostname\" is not a file in the folder of the topology file."},
        RefuseCase{"EntityClimbingOut", entityDocument("../../../../../../../../etc/hostname"), ev::TOPO_FILE_REFUSED,
                   "External entity \"../../../../../../../../etc/hostname\" is not a file in the folder of the "
                   "topology file."},
        RefuseCase{"SchemaFromOutside",
                   "<topology xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   "xsi:noNamespaceSchemaLocation=\"/etc/hostname\"/>",
                   ev::TOPO_FILE_REFUSED, "External entity \"/etc/hostname\" is not a file in the folder of the topology file."},
        RefuseCase{"NestedTooDeep", nested(65), ev::TOPO_FILE_PARSE_ERROR, "elements nested deeper than 64 levels"},
        RefuseCase{"AttributeTooLong", inP1("<edge target=\"" + std::string(70000, 'x') + "\"/>"), ev::TOPO_FILE_REFUSED,
                   "Attribute 'target' of element 'edge' is longer than 65536 characters."},
        // Refused while it is read, before the parser holds it whole.
        RefuseCase{"AttributeFarBeyondTheLimit", inP1("<edge target=\"" + std::string(2u << 20, 'x') + "\"/>"),
                   ev::TOPO_FILE_PARSE_ERROR, "markup longer than 1048576 characters"},
        RefuseCase{"ElementAfterTheRoot", Plant{}.text() + "<topology/>", ev::TOPO_FILE_PARSE_ERROR,
                   "comment or processing instruction expected"},
        RefuseCase{"TextAfterTheRoot", Plant{}.text() + "junk", ev::TOPO_FILE_PARSE_ERROR,
                   "comment or processing instruction expected"},
        RefuseCase{"NulAfterTheRoot", Plant{}.text() + std::string(1, '\0') + "<topology/>", ev::TOPO_FILE_PARSE_ERROR,
                   "invalid character 0x0"},
        RefuseCase{"NulInAnAttribute", inP1("<edge target=\"P\0\"/>"s), ev::TOPO_FILE_PARSE_ERROR,
                   "invalid character 0x0"},
        RefuseCase{"NulInText", inP1("<desc>a\0b</desc>"s), ev::TOPO_FILE_PARSE_ERROR,
                   "invalid character 0x0"}),
    caseName<RefuseCase>);

class PopulateGrammar : public TopologyFixture {
 protected:
  void writeDtd() const {
    writeCfg("topology.dtd",
              "<!ELEMENT topology (transportManager*)>\n"
              "<!ELEMENT transportManager (desc?)>\n"
              "<!ATTLIST transportManager id CDATA #REQUIRED>\n"
              "<!ELEMENT desc (#PCDATA)>\n");
  }
};

TEST_F(PopulateGrammar, DocumentBreakingItsDtdFailsWithItsLine) {
  writeDtd();
  EXPECT_FALSE(populate("<?xml version=\"1.0\"?>\n<!DOCTYPE topology SYSTEM \"topology.dtd\">\n<topology>\n"
                        "  <transportManager id=\"TM\"/>\n  <transportManager/>\n</topology>\n"));
  auto errors = events_.m_eventsWithId(ev::TOPO_FILE_PARSE_ERROR);
  ASSERT_EQ(errors.size(), 1u);
  ASSERT_EQ(errors[0].strings.size(), 4u);
  EXPECT_EQ(errors[0].strings[0], topologyFile().string());
  EXPECT_EQ(errors[0].strings[1], "5");
  EXPECT_NE(errors[0].strings[2], "0");
}

// A fault of the input stream is named where it is, also inside a long run of
// ordinary characters.
TEST_F(PopulateGrammar, InputFaultIsNamedAtItsLineAndColumn) {
  struct c_case {
    std::string xml;
    const char* line;
    const char* column;
  };
  const c_case cases[] = {
      {"<topology>\n<a b=\"" + std::string(1u << 20, 'x') + "\"/></topology>", "2", "1048578"},
      {"<topology>\n  ab\n cd"s + '\0' + "</topology>", "3", "4"},
  };
  for (const c_case& test : cases) {
    SCOPED_TRACE(test.column);
    events_.m_clear();
    EXPECT_FALSE(populate(test.xml));
    auto errors = events_.m_eventsWithId(ev::TOPO_FILE_PARSE_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    ASSERT_EQ(errors[0].strings.size(), 4u);
    EXPECT_EQ(errors[0].strings[1], test.line);
    EXPECT_EQ(errors[0].strings[2], test.column);
  }
}

TEST_F(PopulateGrammar, ElementTheDtdDoesNotAllowFails) {
  writeDtd();
  EXPECT_FALSE(populate("<!DOCTYPE topology SYSTEM \"topology.dtd\"><topology><note/></topology>"));
  EXPECT_EQ(events_.m_count(ev::TOPO_FILE_PARSE_ERROR), 1u);
}

TEST_F(PopulateGrammar, DocumentKeepingItsLocalDtdIsRead) {
  writeDtd();
  ASSERT_TRUE(populate("<!DOCTYPE topology SYSTEM \"topology.dtd\"><topology>"
                       "<transportManager id=\"TM\"><desc>Hub</desc></transportManager></topology>"));
  EXPECT_EQ(node("TM")->m_getDescription(), "Hub");
}

TEST_F(PopulateGrammar, DocumentWithoutGrammarIsNotValidated) {
  ASSERT_TRUE(populate("<anything><transportManager id=\"TM\" extra=\"1\"><x/></transportManager></anything>"));
  EXPECT_NE(node("TM"), nullptr);
}

TEST_F(PopulateGrammar, EntitiesInTheFolderOfTheFileAreRead) {
  writeCfg("hall.txt", "Hall B");
  writeCfg("parts/north.txt", "North");
  std::filesystem::create_symlink("hall.txt", cfgDir() / "alias.txt");
  const std::string folder = cfgDir().string();
  for (const std::string& name : std::vector<std::string>{"hall.txt", "parts/north.txt", "alias.txt",
                                  "../cfg/hall.txt", "file://" + folder + "/hall.txt", folder + "/parts/../hall.txt"}) {
    CTM_world world;
    writeCfg("topology.xml", "<!DOCTYPE topology [<!ELEMENT topology ANY><!ELEMENT transportManager ANY>"
                             "<!ATTLIST transportManager id CDATA #REQUIRED><!ELEMENT desc (#PCDATA)>"
                             "<!ENTITY x SYSTEM \"" + name + "\">]>"
                             "<topology><transportManager id=\"TM\"><desc>&x;</desc></transportManager></topology>");
    CTM_plainNodeFactory factory;
    CTM_file_populator populator(factory);
    ASSERT_TRUE(populator.m_init());
    ASSERT_TRUE(world.m_populate(populator)) << name;
    EXPECT_NE(world.m_findNode("TM")->m_getDescription(), "") << name;
  }
}

// A name that leads out of the folder, or to anything but a regular file, is
// refused without being read: a FIFO without a writer would block the reader.
TEST_F(PopulateGrammar, EntitiesLeadingElsewhereAreRefusedWithoutBlocking) {
  writeCfg("hall.txt", "Hall B");
  std::filesystem::create_symlink("/etc/hostname", cfgDir() / "outside.txt");
  std::filesystem::create_directory(cfgDir() / "folder");
  ASSERT_EQ(::mkfifo((cfgDir() / "fifo").c_str(), 0600), 0);
  for (const char* name : {"outside.txt", "folder", "fifo", "missing.txt", "/dev/null"}) {
    events_.m_clear();
    EXPECT_FALSE(populate(entityDocument(name))) << name;
    EXPECT_EQ(lastArgumentOf(ev::TOPO_FILE_REFUSED),
              "External entity \"" + std::string(name) + "\" is not a file in the folder of the topology file.");
  }
}

TEST_F(PopulateGrammar, LocalEntitiesAreExpanded) {
  writeCfg("hall.txt", "Hall B");
  ASSERT_TRUE(populate("<!DOCTYPE topology [<!ELEMENT topology ANY><!ELEMENT transportManager ANY>"
                       "<!ATTLIST transportManager id CDATA #REQUIRED><!ELEMENT desc (#PCDATA)>"
                       "<!ENTITY hall SYSTEM \"hall.txt\"><!ENTITY north \"north\">]><topology>"
                       "<transportManager id=\"TM\"><desc>&hall; &north;</desc></transportManager></topology>"));
  EXPECT_EQ(node("TM")->m_getDescription(), "Hall B north");
}

class PopulatorInit : public TopologyFixture {};

TEST_F(PopulatorInit, FindsTheFileUnderTmHome) {
  writeCfg("topology.xml", "<topology/>");
  CTM_plainNodeFactory factory;
  CTM_file_populator populator(factory);
  ASSERT_TRUE(populator.m_init());
  EXPECT_EQ(populator.m_getFileName(), topologyFile().string());
  EXPECT_EQ(lastArgumentOf(ev::TOPO_FILE_FOUND), topologyFile().string());
}

TEST_F(PopulatorInit, UnsetOrEmptyTmHomeIsRefused) {
  for (bool unset : {true, false}) {
    events_.m_clear();
    if (unset) {
      unsetenv("TM_HOME");
    } else {
      setenv("TM_HOME", "", 1);
    }
    CTM_plainNodeFactory factory;
    CTM_file_populator populator(factory);
    EXPECT_FALSE(populator.m_init());
    EXPECT_EQ(events_.m_count(ev::CFG_TM_HOME_NOT_SET), 1u);
    EXPECT_EQ(populator.m_getFileName(), "");
  }
}

TEST_F(PopulatorInit, MissingFileOrFolderIsRefused) {
  CTM_plainNodeFactory factory;
  CTM_file_populator missing(factory);
  EXPECT_FALSE(missing.m_init());
  EXPECT_EQ(lastArgumentOf(ev::TOPO_FILE_MISSING), topologyFile().string());

  events_.m_clear();
  std::filesystem::create_directory(topologyFile());
  CTM_file_populator folder(factory);
  EXPECT_FALSE(folder.m_init());
  EXPECT_EQ(events_.m_count(ev::TOPO_FILE_MISSING), 1u);
}

TEST_F(PopulatorInit, PopulatorsCanReadOneAfterAnother) {
  writeCfg("topology.xml", Plant{}.text());
  for (int round = 0; round < 2; ++round) {
    CTM_world world;
    CTM_plainNodeFactory factory;
    CTM_file_populator populator(factory);
    ASSERT_TRUE(populator.m_init());
    EXPECT_TRUE(world.m_populate(populator));
    EXPECT_TRUE(populator.m_parseWithoutModel());
    EXPECT_EQ(world.m_getNodeCount(), 6u);
  }
}

TEST_F(PopulatorInit, FailedReadKeepsWhatWasInserted) {
  EXPECT_FALSE(populate(inP1("<edge target=\"nowhere\"/>")));
  EXPECT_EQ(world_.m_getNodeCount(), 6u);
  EXPECT_TRUE(node("P1")->m_hasNoSuccessors());
}
