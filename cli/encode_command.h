// The `encode` command of the pdf417 tool: options, data sources and output.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

struct EncodeCommand {
  CLI::App* app = nullptr;
  std::string output = "out.png";  // bar.bmp, the window's name, for the classic --aspect bitmap
  std::string input;
  std::string text;
  std::string columns = "auto";
  std::string rows = "auto";
  std::string level = "auto";
  std::string compaction = "auto";
  int aspect = -1;  // -1: the drawing options; otherwise the classic one-pixel bitmap
  int moduleWidth = 2;
  int rowHeight = 3;
  int height = 0;  // total bar height in modules; 0: rowHeight decides
  int quietZone = 2;
  std::string foreground = "000000";
  std::string background = "ffffff";
  int rotate = 0;
  int eci = -1;
  std::string encoding;
  std::string structapp;
  std::string format;
  bool split = false;
  bool compact = false;
  bool micro = false;  // MicroPDF417
  bool batch = false;
  bool binary = false;   // TEXT is bytes, written as they are
  bool escapes = false;  // TEXT has backslash escapes
  bool verbose = false;  // size and level on standard error
  bool dump = false;     // module rows as 0/1 lines on standard output instead of a picture
};

// Adds the encode subcommand and its options to the tool.
CLI::App* AddEncodeCommand(CLI::App& tool, EncodeCommand& command);

// Runs it once parsed; returns the exit status.
int RunEncodeCommand(const EncodeCommand& command);
