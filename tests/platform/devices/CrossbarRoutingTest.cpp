// The routing matrix of virtual crossbars.

#include <gtest/gtest.h>

#include "devices/capture/CrossbarRouting.h"

namespace {

using devices::CrossbarDescription;
using devices::CrossbarRouting;

// A card with a tuner, two composite inputs and an S-Video input, each with its sound.
CrossbarDescription Card() {
  CrossbarDescription card;
  card.inputs = {{PhysConn_Video_Tuner, 4},  {PhysConn_Video_Composite, 5},
                 {PhysConn_Video_SVideo, 5}, {PhysConn_Video_Composite, 5},
                 {PhysConn_Audio_Tuner, 0},  {PhysConn_Audio_Line, 1}};
  card.outputs = {{PhysConn_Video_VideoDecoder, 1}, {PhysConn_Audio_AudioDecoder, 0}};
  return card;
}

TEST(CrossbarRouting, OutputsTakeInputsOfTheirOwnMediumByDefault) {
  CrossbarRouting routing(Card());
  EXPECT_EQ(routing.Inputs(), 6);
  EXPECT_EQ(routing.Outputs(), 2);
  EXPECT_EQ(routing.CanRoute(0, 3), S_OK);
  EXPECT_EQ(routing.CanRoute(0, 4), S_FALSE);
  EXPECT_EQ(routing.CanRoute(1, 5), S_OK);
  EXPECT_EQ(routing.CanRoute(1, 0), S_FALSE);
  EXPECT_EQ(routing.CanRoute(2, 0), E_INVALIDARG);
  LONG input = -2;
  ASSERT_EQ(routing.RoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, 0);  // the first input each output can take
  ASSERT_EQ(routing.RoutedTo(1, &input), S_OK);
  EXPECT_EQ(input, 4);
}

TEST(CrossbarRouting, RoutesOnlyWhatTheMatrixAllows) {
  CrossbarDescription card = Card();
  card.canRoute = {{1, 2}, {5}};
  card.routing = {2, -1};
  CrossbarRouting routing(card);
  LONG input = 0;
  ASSERT_EQ(routing.RoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, 2);
  ASSERT_EQ(routing.RoutedTo(1, &input), S_OK);
  EXPECT_EQ(input, -1);
  EXPECT_EQ(routing.Route(0, 0), E_FAIL);
  EXPECT_EQ(routing.Route(0, 1), S_OK);
  EXPECT_EQ(routing.Route(0, 6), E_INVALIDARG);
  ASSERT_EQ(routing.RoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, 1);
  EXPECT_EQ(routing.Route(0, -1), S_OK);  // disconnects
  ASSERT_EQ(routing.RoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, -1);
}

TEST(CrossbarRouting, PinInfoGivesRelatedPinsAndPhysicalTypes) {
  CrossbarRouting routing(Card());
  LONG related = 0;
  LONG type = 0;
  ASSERT_EQ(routing.PinInfo(true, 3, &related, &type), S_OK);
  EXPECT_EQ(type, PhysConn_Video_Composite);
  EXPECT_EQ(related, 5);
  ASSERT_EQ(routing.PinInfo(false, 1, &related, &type), S_OK);
  EXPECT_EQ(type, PhysConn_Audio_AudioDecoder);
  EXPECT_EQ(related, 0);
  EXPECT_EQ(routing.PinInfo(false, 2, &related, &type), E_INVALIDARG);
}

}  // namespace
