// The route search against an exhaustive search kept here in its plainest form:
// depth first over every simple path in successor order, with the path kept in a
// set of its own, the first way of a strictly lower cost replacing the stored one
// (cost without the last edge; a hit counts when that cost is below the best, a
// descent only while cost plus the edge's weight is below it), and the area rule.
// On thousands of random plants both must give the same found node and cost.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "tests/tracking/test_plant.h"
#include "tracking/ctm_route.h"

namespace {

class c_exhaustiveSearch {
 public:
  explicit c_exhaustiveSearch(std::string destination) : destination_(std::move(destination)) {}

  bool m_find(CTM_node* start) { return search(start, 0); }
  CTM_node* found() const { return found_; }
  int cost() const { return cost_; }

 private:
  // Characters 1-4 of the node's id against characters 5-8 of the destination.
  bool reaches(const CTM_node* node) const {
    const std::string& id = node->m_getId();
    return id.size() >= 5 && destination_.size() >= 9 && id.substr(1, 4) == destination_.substr(5, 4);
  }
  bool inDestinationArea(const CTM_node* node) const {
    return node->m_getId().substr(0, 5) == destination_.substr(0, 5);
  }

  bool search(CTM_node* node, int cost) {
    bool result = false;
    path_.insert(node);
    CTM_node* target = nullptr;
    int weight = 0;
    for (std::size_t i = 0; node->m_getSuccessorAndWeight(i, target, weight); ++i) {
      if (path_.count(target) || target->m_getState() != "A") continue;
      if (reaches(target)) {
        if (!found_ || cost < cost_) {
          cost_ = cost;
          found_ = node;
          result = true;
        }
        continue;
      }
      if (found_ && cost + weight >= cost_) continue;
      if (inDestinationArea(node) && !inDestinationArea(target)) continue;
      if (search(target, cost + weight)) result = true;
    }
    path_.erase(node);
    return result;
  }

  std::string destination_;
  std::set<const CTM_node*> path_;
  CTM_node* found_ = nullptr;
  int cost_ = 0;
};

struct c_plantShape {
  int plants;
  int smallestPlant;
  int largestPlant;
  int maximumSuccessors;
};

void PrintTo(const c_plantShape& shape, std::ostream* out) {
  *out << shape.plants << " plants of " << shape.smallestPlant << " to " << shape.largestPlant << " nodes";
}

class RouteDifferential : public ::testing::TestWithParam<c_plantShape> {};

TEST_P(RouteDifferential, SameFoundNodeAndCostAsTheExhaustiveSearch) {
  const c_plantShape shape = GetParam();
  std::mt19937 random(20240502u + static_cast<unsigned>(shape.maximumSuccessors));
  int foundCount = 0;
  for (int p = 0; p < shape.plants; ++p) {
    const int size = shape.smallestPlant + static_cast<int>(random() % (shape.largestPlant - shape.smallestPlant + 1));
    c_randomPlant plant(random, size, shape.maximumSuccessors);
    for (int s = 0; s < 4; ++s) {
      CTM_node* start = plant.plant.points()[random() % plant.plant.points().size()];
      const std::string destination = plant.destination(random);
      c_exhaustiveSearch expected(destination);
      const bool expectedFound = expected.m_find(start);
      CTM_route route(start);
      const bool found = route.m_find(destination);
      ASSERT_EQ(found, expectedFound) << "plant " << p << " from " << start->m_getId() << " to " << destination;
      if (!found) continue;
      ++foundCount;
      ASSERT_EQ(route.m_getFound(), expected.found())
          << "plant " << p << " from " << start->m_getId() << " to " << destination << ": "
          << route.m_getFound()->m_getId() << " instead of " << expected.found()->m_getId();
      ASSERT_EQ(route.m_getCost(), expected.cost()) << "plant " << p << " to " << destination;
    }
  }
  // The plants must give the comparison something to compare.
  EXPECT_GT(foundCount, shape.plants);
}

INSTANTIATE_TEST_SUITE_P(RandomPlants, RouteDifferential,
                         ::testing::Values(c_plantShape{3000, 3, 12, 2}, c_plantShape{2000, 6, 14, 3},
                                           c_plantShape{600, 10, 18, 4}),
                         [](const ::testing::TestParamInfo<c_plantShape>& info) {
                           return "UpTo" + std::to_string(info.param.largestPlant) + "NodesOfUpTo" +
                                  std::to_string(info.param.maximumSuccessors) + "Successors";
                         });

}  // namespace
