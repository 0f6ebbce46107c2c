#include "http/service_metrics.h"

#include <cstdio>

namespace lintrove::service {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

void Family(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
  out.append("# HELP ").append(name).append(" ").append(help).append("\n");
  out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

}  // namespace

void ServiceMetrics::CountRequest(std::string_view command, int status, double seconds) {
  std::lock_guard lock(mutex_);
  ++requests_[{std::string(command.empty() ? "-" : command), status}];
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    if (seconds <= kBuckets[i]) ++bucket_counts_[i];
  }
  ++count_;
  sum_ += seconds;
}

void ServiceMetrics::CountDatabaseError() {
  std::lock_guard lock(mutex_);
  ++database_errors_;
}

std::string ServiceMetrics::Render(const CatalogCounts& catalog) const {
  std::lock_guard lock(mutex_);
  std::string out;
  Family(out, "lintrove_requests_total", "counter", "Requests answered, by command and status.");
  for (const auto& [key, count] : requests_) {
    out += "lintrove_requests_total{command=\"" + key.first + "\",status=\"" +
           std::to_string(key.second) + "\"} " + std::to_string(count) + "\n";
  }
  Family(out, "lintrove_request_duration_seconds", "histogram",
         "Time from a request's arrival to its answer.");
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    out += "lintrove_request_duration_seconds_bucket{le=\"" + Number(kBuckets[i]) + "\"} " +
           std::to_string(bucket_counts_[i]) + "\n";
  }
  out += "lintrove_request_duration_seconds_bucket{le=\"+Inf\"} " + std::to_string(count_) + "\n";
  out += "lintrove_request_duration_seconds_sum " + Number(sum_) + "\n";
  out += "lintrove_request_duration_seconds_count " + std::to_string(count_) + "\n";
  Family(out, "lintrove_database_errors_total", "counter",
         "Requests that failed because the database did.");
  out += "lintrove_database_errors_total " + std::to_string(database_errors_) + "\n";
  Family(out, "lintrove_catalog_programs", "gauge", "Programs in the catalog.");
  out += "lintrove_catalog_programs " + std::to_string(catalog.programs) + "\n";
  Family(out, "lintrove_catalog_versions", "gauge", "Versions in the catalog.");
  out += "lintrove_catalog_versions " + std::to_string(catalog.versions) + "\n";
  Family(out, "lintrove_catalog_clients", "gauge", "Clients that reported.");
  out += "lintrove_catalog_clients " + std::to_string(catalog.clients) + "\n";
  return out;
}

}  // namespace lintrove::service
