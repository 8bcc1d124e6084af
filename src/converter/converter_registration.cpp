// The converter window registers itself with the application core here once
// it exists; until then Launch opens the core's pending-interface window.
