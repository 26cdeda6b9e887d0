# The simulated bus: the pure model, the pty host through the tool's serial port, and the kestrel-sim
# command line (run as a process, so the tests know where it was built).
kestrel_test(sim_tests
  SOURCES test_main.cpp test_sim_bus.cpp test_sim_pty.cpp
  LIBS kestrel_sim kestrel_core)
add_dependencies(sim_tests kestrel-sim)
target_compile_definitions(sim_tests PRIVATE KESTREL_SIM_EXE="$<TARGET_FILE:kestrel-sim>")
