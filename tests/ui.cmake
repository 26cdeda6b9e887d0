kestrel_test(window_tests
  SOURCES test_main_gui.cpp test_window.cpp test_livedata.cpp test_window_e2e.cpp window_harness.h fakeport.h
  LIBS kestrel_ui kestrel_sim kestrel_demo)
