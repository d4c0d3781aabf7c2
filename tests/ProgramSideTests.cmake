# The sources of the program-side test programs that run both on the Linux
# stand-ins and, cross-built, under Wine (tests/windows/): one list for both.
set(PROGRAM_SIDE_TESTS ${CMAKE_CURRENT_LIST_DIR})
set(FRAMEWORK_TEST_SOURCES
    ${PROGRAM_SIDE_TESTS}/Common/ErrorReportTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/FrameClockTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/MathHelpersTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/RunLoopTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/ShapeFactoryTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/WindowMessageTests.cpp)
set(SHAPES_APP_TEST_SOURCES
    ${PROGRAM_SIDE_TESTS}/ShapesApp/CameraTests.cpp
    ${PROGRAM_SIDE_TESTS}/ShapesApp/CityLayoutTests.cpp
    ${PROGRAM_SIDE_TESTS}/ShapesApp/MouseInputTests.cpp
    ${PROGRAM_SIDE_TESTS}/ShapesApp/SceneGeometryTests.cpp
    ${PROGRAM_SIDE_TESTS}/ShapesApp/SceneMaterialsTests.cpp)
set(DDS_LOADER_TEST_SOURCES
    ${PROGRAM_SIDE_TESTS}/Common/DDSTextureLoaderTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/DdsRealFilesTests.cpp
    ${PROGRAM_SIDE_TESTS}/Common/DdsTestFiles.cpp
    ${PROGRAM_SIDE_TESTS}/support/AllocationProbe.cpp)
