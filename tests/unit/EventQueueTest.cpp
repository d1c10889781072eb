// What the back ends share beneath the seam: the table of windows and the
// queue of events with its order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/WindowTable.h"

namespace tk::platform {
namespace {

TEST(WindowTable, IdsCountFromOneAndAreNeverGivenTwice) {
  WindowTable<std::string> table;
  WindowId board = table.Add("board");
  WindowId choice = table.Add("choice");
  EXPECT_EQ(board, 1u);
  EXPECT_EQ(choice, 2u);
  table.Remove(board);
  EXPECT_EQ(table.Find(board), nullptr);
  EXPECT_EQ(table.Add("box"), 3u);
  EXPECT_EQ(*table.Find(choice), "choice");
}

TEST(EventQueue, QueuedInputComesBeforeQuitAndQuitBeforeWake) {
  EventQueue queue;
  queue.PostWake();
  queue.PostQuit();
  queue.Push(WindowEvent(EventKind::KeyDown, 1));
  queue.Push(WindowEvent(EventKind::Text, 2));
  // Moves of one group merge; a move of another group stays.
  queue.Push(WindowEvent(EventKind::MouseMove, 1, {5, 0}), 10, 1);
  queue.Push(WindowEvent(EventKind::MouseMove, 1, {6, 0}), 20, 1);
  queue.Push(WindowEvent(EventKind::MouseMove, 1, {7, 0}), 5, 2);
  queue.Forget(2);
  std::vector<std::pair<EventKind, int64_t>> order;
  EventQueue::Entry got;
  // Input counts once its time came: the moves not before 20, the second
  // never before the one ahead of it.
  while (queue.Pop(got, 19)) order.push_back({got.event.kind, got.event.x});
  while (queue.Pop(got)) order.push_back({got.event.kind, got.event.x * 100 + got.time});
  EXPECT_EQ(order, (std::vector<std::pair<EventKind, int64_t>>{{EventKind::KeyDown, 0},
                                                               {EventKind::Quit, 0},
                                                               {EventKind::Wake, 0},
                                                               {EventKind::MouseMove, 620},
                                                               {EventKind::MouseMove, 720}}));
}

}  // namespace
}  // namespace tk::platform
