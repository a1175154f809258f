#pragma once

// The HTTP library listens with a queue of 5 connections: a burst of
// requests (nginx passing on a hundred part requests at once) would see
// most of its connections wait for the kernel's SYN retries, a second and
// more each. This finds the process's listening socket on the port and
// listens again with the system's largest queue (Linux takes a second
// listen() as a new backlog). False when no such socket was found.
bool WidenListenBacklog(int port);
