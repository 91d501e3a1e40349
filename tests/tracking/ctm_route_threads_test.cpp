// Route searches of several segments at the same time on one topology, while
// another thread changes the state of a node (as a neighbouring TM's report
// does) and another walks the model with mark 0 (as the text view does).
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "tests/tracking/test_plant.h"
#include "tracking/ctm_route.h"

namespace {

struct c_answer {
  bool found = false;
  CTM_node* node = nullptr;
  int cost = 0;
  bool operator==(const c_answer&) const = default;
};

struct c_question {
  CTM_node* start;
  std::string destination;
  c_answer whileAvailable;
  c_answer whileUnavailable;
};

c_answer ask(CTM_node* start, const std::string& destination) {
  CTM_route route(start);
  c_answer answer;
  answer.found = route.m_find(destination);
  answer.node = route.m_getFound();
  answer.cost = route.m_getCost();
  return answer;
}

TEST(RouteThreads, ConcurrentSearchesGiveTheAnswersOfOneStateOrTheOther) {
  std::mt19937 random(4711);
  c_randomPlant plant(random, 400, 3, 8);
  const std::vector<CTM_node*>& points = plant.plant.points();
  // The node that changes state is one that a found way passes.
  std::vector<c_question> questions;
  CTM_node* toggled = nullptr;
  for (int i = 0; i < 60; ++i) {
    c_question question{points[random() % points.size()], plant.destination(random), {}, {}};
    question.whileAvailable = ask(question.start, question.destination);
    if (!toggled && question.whileAvailable.found && question.whileAvailable.node != question.start)
      toggled = question.whileAvailable.node;
    questions.push_back(question);
  }
  ASSERT_NE(toggled, nullptr);
  toggled->m_setState("N");
  for (c_question& question : questions) question.whileUnavailable = ask(question.start, question.destination);
  toggled->m_setState("A");
  bool anyDepends = false;
  for (const c_question& question : questions) anyDepends |= !(question.whileAvailable == question.whileUnavailable);

  std::atomic<bool> stop{false};
  std::atomic<int> mismatches{0};
  std::vector<std::thread> searchers;
  for (int t = 0; t < 4; ++t) {
    searchers.emplace_back([&, t] {
      for (int round = 0; round < 15; ++round) {
        for (std::size_t q = t; q < questions.size(); q += 2) {
          const c_question& question = questions[q];
          const c_answer answer = ask(question.start, question.destination);
          if (!(answer == question.whileAvailable) && !(answer == question.whileUnavailable)) ++mismatches;
        }
      }
    });
  }
  std::thread stateChanger([&] {
    while (!stop.load()) {
      toggled->m_setState("N");
      toggled->m_setState("A");
    }
  });
  std::thread viewer([&] {
    while (!stop.load()) {
      for (CTM_node* node : points) node->m_setMark(0);
      for (CTM_node* node : points) node->m_clearMark(0);
    }
  });
  for (std::thread& searcher : searchers) searcher.join();
  stop = true;
  stateChanger.join();
  viewer.join();

  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_TRUE(anyDepends);
}

}  // namespace
