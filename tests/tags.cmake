kestrel_test(tags_tests
  SOURCES test_main_gui.cpp test_tags_commands.cpp test_tags_replies.cpp test_tags_sim.cpp test_tags_fixture.h input_cases.h window_harness.h fakeport.h
  LIBS kestrel_ui kestrel_sim)
