kestrel_test(reader_tests
  SOURCES test_main_gui.cpp test_reader_commands.cpp test_reader_replies.cpp test_reader_inputs.cpp
          test_reader_e2e.cpp window_harness.h fakeport.h input_cases.h
  LIBS kestrel_ui kestrel_sim)
