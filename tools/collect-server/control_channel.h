// The control channel of a collection server that runs as a program of its own (a Windows
// test under Wine reaches the Linux server only over HTTP): with it the server also answers
//   POST /__control/status   body: the status to answer uploads with from now on
//   POST /__control/hang-ms  body: how long to hold each answer back from now on
//   GET  /__control/uploads  the number of POSTs to /sa received, as decimal text
//   GET  /__control/records  the stored records, oldest first, as a JSON array of
//                            {"id":..,"received_ms":..,"record":"<the record's text>"}
// The handlers run on the server's threads and use only its thread-safe calls.
#pragma once

namespace httplib {
class Server;
}

namespace collect_server {

class CollectServer;

// Adds the routes above to `http`, acting on `target`, which outlives it.
void AddControlRoutes(httplib::Server& http, CollectServer& target);

}  // namespace collect_server
