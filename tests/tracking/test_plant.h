#pragma once
// c_testPlant: a small topology of tracking points built by a test, and a random
// plant generator for the tests that compare or stress route searches.
//
// Ids follow the plant's conventions as far as routing reads them: the first five
// characters name the area ("A1000"), characters 1-4 name it on links into it
// ("1000"); a destination "A10002000" is entered from area A1000 into an area
// whose name is 2000.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "topology/ctm_tp.h"
#include "topology/ctm_world.h"

class c_testPlant {
 public:
  // The tracking point with that id, made on first use.
  CTM_node* tp(const std::string& id) {
    if (CTM_node* node = world_.m_findNode(id)) return node;
    auto node = std::make_unique<CTM_tp>(id);
    CTM_node* raw = node.get();
    EXPECT_TRUE(world_.m_insertNode(std::move(node)));
    points_.push_back(raw);
    return raw;
  }
  void edge(const std::string& from, const std::string& to, int weight) {
    EXPECT_TRUE(world_.m_insertEdge(tp(from), tp(to), weight));
  }
  void edge(CTM_node* from, CTM_node* to, int weight) { EXPECT_TRUE(world_.m_insertEdge(from, to, weight)); }
  // Every tracking point, in the order it was made.
  const std::vector<CTM_node*>& points() const { return points_; }
  CTM_world& world() { return world_; }

 private:
  CTM_world world_;
  std::vector<CTM_node*> points_;
};

// A random plant of a few areas: most edges stay inside an area, some cross to
// another; weights are small, zeros included (so cycles of zero weight occur);
// some nodes are not available. Two areas share their four-character name with
// an area of another letter, so that a destination is reached in unexpected places.
struct c_randomPlant {
  c_testPlant plant;
  std::vector<std::string> areas;

  // areaCount 0: two to five areas.
  c_randomPlant(std::mt19937& random, int nodeCount, int maximumSuccessors, int areaCount = 0) {
    if (areaCount == 0) areaCount = 2 + static_cast<int>(random() % 4);
    for (int a = 0; a < areaCount; ++a) {
      char id[16];
      std::snprintf(id, sizeof id, "%c%04d", a == areaCount - 1 ? 'R' : 'Q', a == areaCount - 1 ? 1 : a + 1);
      areas.push_back(id);
    }
    std::vector<CTM_node*> nodes;
    for (int i = 0; i < nodeCount; ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "%.5s-%03d", areas[random() % areas.size()].c_str(), i % 1000);
      nodes.push_back(plant.tp(id));
    }
    for (CTM_node* node : nodes) {
      const int successors = static_cast<int>(random() % (maximumSuccessors + 1));
      for (int s = 0; s < successors; ++s) {
        CTM_node* target = nodes[random() % nodes.size()];
        // Mostly within the area, as conveyors are.
        for (int retry = 0; retry < 2 && target->m_getId().substr(0, 5) != node->m_getId().substr(0, 5); ++retry)
          target = nodes[random() % nodes.size()];
        const int weight = random() % 4 == 0 ? 0 : static_cast<int>(random() % 9);
        plant.edge(node, target, weight);
      }
      if (random() % 10 == 0) node->m_setState("N");
    }
  }

  // A destination entered from one random area into another's name.
  std::string destination(std::mt19937& random) const {
    return areas[random() % areas.size()] + areas[random() % areas.size()].substr(1, 4);
  }
};
