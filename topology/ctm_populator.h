#pragma once
// CTM_populator: fills a topology model from some source.

class CTM_world;

class CTM_populator {
 public:
  virtual ~CTM_populator() = default;
  // True when every node and link of the source went into the world.
  virtual bool populate(CTM_world& world) = 0;
};
