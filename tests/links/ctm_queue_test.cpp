#include "links/ctm_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/fixed_clock.h"
#include "telegrams/ctm_message.h"

namespace {

// A telegram that names itself and says when it is deleted.
class c_markedTelegram : public CTM_message {
 public:
  c_markedTelegram(std::string name, std::vector<std::string>* deleted) : deleted_(deleted) {
    m_setRawTelegram(std::move(name));
  }
  ~c_markedTelegram() override {
    if (deleted_ != nullptr) deleted_->push_back(m_getRawTelegram());
  }

 private:
  std::vector<std::string>* deleted_;
};

class QueueTest : public ::testing::Test {
 protected:
  std::unique_ptr<CTM_message> m_telegram(const std::string& name) {
    return std::make_unique<c_markedTelegram>(name, &deleted_);
  }
  bool m_put(const std::string& name, bool urgent = false) {
    std::unique_ptr<CTM_message> telegram = m_telegram(name);
    return queue_.m_put(telegram, urgent);
  }
  // The names the queue hands out, in order, until it gives none.
  std::vector<std::string> m_drain() {
    std::vector<std::string> names;
    std::unique_ptr<CTM_message> out;
    while (queue_.m_size() > 0)
      if (queue_.m_get(out)) names.push_back(out->m_getRawTelegram());
    return names;
  }
  int m_semaphoreCount() {
    int count = 0;
    while (c_waitForAny(&handle_, 1, 0) == 0) ++count;
    return count;
  }

  c_fixedClock clock_{1'700'000'000};
  std::vector<std::string> deleted_;
  CTM_queue queue_;
  c_waitable* handle_ = queue_.m_getSemaphore()->m_getHandle();
};

TEST_F(QueueTest, UrgentTelegramsGoAheadOfEveryQueuedOne) {
  ASSERT_TRUE(m_put("a"));
  ASSERT_TRUE(m_put("b"));
  ASSERT_TRUE(m_put("c", true));
  ASSERT_TRUE(m_put("d", true));
  EXPECT_EQ(m_semaphoreCount(), 4);
  EXPECT_EQ(m_drain(), (std::vector<std::string>{"d", "c", "a", "b"}));
}

TEST_F(QueueTest, AFullQueueRefusesAndTheCallerKeepsTheTelegramUntilExpiredHeadsMakeRoom) {
  queue_.m_setMaxEntries(2);
  queue_.m_setTimeToLive(5);
  ASSERT_TRUE(m_put("a"));
  ASSERT_TRUE(m_put("b"));
  std::unique_ptr<CTM_message> third = m_telegram("c");
  EXPECT_FALSE(queue_.m_put(third, false));
  ASSERT_NE(third, nullptr);
  EXPECT_TRUE(deleted_.empty());

  clock_.m_advance(5);
  EXPECT_TRUE(queue_.m_put(third, false));
  EXPECT_EQ(third, nullptr);
  EXPECT_EQ(deleted_, (std::vector<std::string>{"a", "b"}));
  // The purge took the counts of the telegrams it dropped.
  EXPECT_EQ(m_semaphoreCount(), 1);
  EXPECT_EQ(queue_.m_size(), 1u);
}

TEST_F(QueueTest, TheTimeToLiveIsStampedOnAcceptedTelegramsOnly) {
  std::unique_ptr<CTM_message> kept = m_telegram("kept");
  EXPECT_TRUE(queue_.m_put(kept, false));
  queue_.m_setTimeToLive(5);
  std::unique_ptr<CTM_message> stamped = m_telegram("stamped");
  CTM_message* stampedTelegram = stamped.get();
  EXPECT_TRUE(queue_.m_put(stamped, false));
  EXPECT_EQ(stampedTelegram->m_getTimeout(), 5);

  std::unique_ptr<CTM_message> out;
  ASSERT_TRUE(queue_.m_get(out));
  EXPECT_EQ(out->m_getTimeout(), CTM_message::defaultTimeout);
}

TEST_F(QueueTest, AnExpiredHeadIsDeletedOnGetAndTheNextOneFollows) {
  queue_.m_setTimeToLive(5);
  ASSERT_TRUE(m_put("old"));
  clock_.m_advance(3);
  ASSERT_TRUE(m_put("young"));
  clock_.m_advance(3);
  std::unique_ptr<CTM_message> out = m_telegram("stale output");
  EXPECT_FALSE(queue_.m_get(out));
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(deleted_, (std::vector<std::string>{"stale output", "old"}));
  ASSERT_TRUE(queue_.m_get(out));
  EXPECT_EQ(out->m_getRawTelegram(), "young");
}

TEST_F(QueueTest, AnExpiredTelegramBehindAFreshHeadWaitsUntilItIsTheHead) {
  ASSERT_TRUE(m_put("fresh"));
  queue_.m_setTimeToLive(1);
  ASSERT_TRUE(m_put("short-lived"));
  clock_.m_advance(2);
  ASSERT_TRUE(m_put("next"));
  EXPECT_TRUE(deleted_.empty());
  EXPECT_EQ(queue_.m_size(), 3u);
  EXPECT_EQ(m_drain(), (std::vector<std::string>{"fresh", "next"}));
}

TEST_F(QueueTest, NothingToGetAndNothingToPut) {
  std::unique_ptr<CTM_message> out;
  EXPECT_FALSE(queue_.m_get(out));
  EXPECT_EQ(out, nullptr);
  std::unique_ptr<CTM_message> none;
  EXPECT_FALSE(queue_.m_put(none, true));
  EXPECT_EQ(queue_.m_size(), 0u);
}

TEST(Queue, ADestroyedQueueDeletesTheTelegramsItStillHolds) {
  std::vector<std::string> deleted;
  {
    CTM_queue queue;
    for (const char* name : {"a", "b"}) {
      std::unique_ptr<CTM_message> telegram = std::make_unique<c_markedTelegram>(name, &deleted);
      ASSERT_TRUE(queue.m_put(telegram, false));
    }
  }
  EXPECT_EQ(deleted, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
