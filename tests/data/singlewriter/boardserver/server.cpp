// The board server is a test tool, not the program: not scanned.
std::ofstream log("server.log");
