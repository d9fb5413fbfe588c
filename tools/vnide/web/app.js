// The page of vnide serve.
