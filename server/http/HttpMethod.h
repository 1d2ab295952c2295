#pragma once

class QHttpServerRequest;

namespace server {

// The methods the routes tell apart; any other arrives as Other and matches no route.
enum class HttpMethod { Get, Post, Put, Delete, Other };

HttpMethod httpMethod(const QHttpServerRequest& request);

} // namespace server
