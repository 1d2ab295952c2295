#include "http/HttpMethod.h"

#include <QHttpServerRequest>

namespace server {

HttpMethod httpMethod(const QHttpServerRequest& request) {
    switch (request.method()) {
    case QHttpServerRequest::Method::Get:
        return HttpMethod::Get;
    case QHttpServerRequest::Method::Post:
        return HttpMethod::Post;
    case QHttpServerRequest::Method::Put:
        return HttpMethod::Put;
    case QHttpServerRequest::Method::Delete:
        return HttpMethod::Delete;
    default:
        return HttpMethod::Other;
    }
}

} // namespace server
